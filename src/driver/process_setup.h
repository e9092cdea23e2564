#pragma once

namespace gerador {

// Makes the process safe to write files from, before any stage runs:
// - descriptors 0 to 2 that the process was started without are opened on /dev/null,
//   so no output file takes their number and receives console text;
// - a file-size limit and a closed console pipe fail a write instead of killing the
//   process, so the error is reported and the temporary files are removed;
// - an interrupt, termination or hang-up removes the temporary files before it ends the process.
void prepareProcess();

}  // namespace gerador
