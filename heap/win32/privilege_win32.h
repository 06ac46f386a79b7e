#pragma once

namespace corvane {

// Enables "SeDebugPrivilege" on the program's own access token. True when the
// token was adjusted; whether the privilege was really held is not examined.
bool EnableDebugPrivilege();

} // namespace corvane
