#pragma once

// The product web site: scheme and host, no trailing slash. Pages are appended to it.
inline constexpr char kProductSite[] = "https://tarvelo.example.org";
inline constexpr char kHomePagePath[] = "/index.htm";
inline constexpr char kContactPagePath[] = "/contact.htm";
inline constexpr char kProductPagePath[] = "/products/tarvelo-player.htm";
