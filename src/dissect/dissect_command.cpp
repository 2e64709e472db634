#include "dissect/dissect_command.h"

namespace kestrum {

// Filled in by the query pipeline work; present so the front ends link.
void SendQuery(Context&, const std::string&) {}
void RunDissect(Context&) {}

}  // namespace kestrum
