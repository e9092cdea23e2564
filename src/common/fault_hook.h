#pragma once

namespace gerador {

// A hook through which a test build of the program makes chosen file operations of the
// commit fail, or waits or signals there; the program itself never sets one. It comes
// in the run environment (TRunEnvironment::faultHook).
// The hook gets the operation's name ("rename", "link", "unlink") and returns 0 to let it
// run, or an errno value to fail it with.
using TFaultHook = int (*)(const char* operation);

}  // namespace gerador
