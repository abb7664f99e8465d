// The maker's addresses: written into every image and opened by the Support button.
#pragma once

inline constexpr char kMakerWebAddress[] = "https://www.nimbrel.example";
inline constexpr char kSupportPageAddress[] = "https://groups.nimbrel.example/stratolux";
