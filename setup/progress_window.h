// The modeless progress window (dialog 102) with its eight positions.
#pragma once

#include <windows.h>

INT_PTR CALLBACK progressDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Moves the bar to position and pauses 50 milliseconds.
void setProgress(HWND window, unsigned position);
// Moves the bar without the pause.
void moveProgress(HWND window, unsigned position);
