#pragma once

// The program's identity, as its window, alerts and settings show it.
inline constexpr char APPLICATION_NAME[] = "Marrowquill";
inline constexpr char PRODUCT_TITLE[] = "Marrowquill 1.0";
inline constexpr char PRODUCT_VERSION[] = "1.00";
// The name of its desktop entry and AppStream component.
inline constexpr char APPLICATION_ID[] = "org.marrowquill.Marrowquill";
