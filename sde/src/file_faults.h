// A test seam in the file layer: makes the nth write (or flush) from now on
// fail as a full or failing disk would, so tests can check what a failure
// part-way through a save leaves behind. Counted over every file of the
// process; off unless a test arms it.
#pragma once

namespace sde {

enum class FileOperation { kWrite = 0, kSync = 1 };

// nth >= 1 arms (the nth operation of that kind fails, once); 0 disarms.
void failNthFileOperation(FileOperation op, long nth);
// Asked by OsFile before each operation: true when this one is to fail.
bool injectedFailure(FileOperation op);

}  // namespace sde
