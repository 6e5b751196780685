// The package records under the product key's Install subkey.
#pragma once

// Brings every record to the current layout; always succeeds.
bool refreshPackageRecords();
