#pragma once

namespace corvane {

// How a message box looks. Every box carries the caption "Corvane";
// Error, Warning and Information show their icon, Plain shows none.
enum class MessageIcon { Plain, Error, Warning, Information };

} // namespace corvane
