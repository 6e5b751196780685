#include "base/run_state.h"

SetupDataState setupData;
bool catalogMode;
QueryEnvironment queryEnvironment;

void loadText(UINT id, char* text, int size) {
    text[0] = '\0';
    LoadStringA(setupData.instance, id, text, size);
}
