#pragma once

// The program's identity, as its window, alerts and settings show it.
inline constexpr char APPLICATION_NAME[] = "Marrowquill";
inline constexpr char PRODUCT_TITLE[] = "Marrowquill 1.0";
inline constexpr char PRODUCT_VERSION[] = "1.00";
