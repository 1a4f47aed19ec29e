// The notice the layer gives when the program asks for a state value it does not implement: one line on
// standard error, the first time each state and value is asked for, naming what is drawn instead:
//   platform: D3DRS_SRCBLEND value 17 is not implemented; drawing as D3DBLEND_ONE
// The values already reported are kept here, for the whole run.
#pragma once

#include <cstdint>
#include <string_view>

namespace platform::trace {

void report_unimplemented(std::string_view state, std::uint32_t value, std::string_view instead);

} // namespace platform::trace
