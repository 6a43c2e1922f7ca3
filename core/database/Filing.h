#pragma once

// How filing a record under a machine went: refused (the machine has a record of that time), written to
// the machine file, or kept in the machine only because its file could not be written (the record was then
// kept as a history file where it could be, and the dealer told).
enum class Filing { Duplicate, Saved, NotSaved };
