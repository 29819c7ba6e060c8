#pragma once

namespace talvex {

// The program's version text, sent with the update query and shown in the About box.
inline constexpr const wchar_t* kVersionText = L"3.5";
inline constexpr const char* kProgramName = "Talvex";

}  // namespace talvex
