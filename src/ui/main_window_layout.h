// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include <QRect>
#include <QSize>

#include <span>

// The main window's geometry, in twips (1/1440 inch, 15 to a pixel at 96 dpi). Positions of a
// tab page's controls count from the tab control's top-left corner, tab strip included;
// positions inside a frame count from the frame's top-left corner.
struct Twips
{
    int left;
    int top;
    int width;
    int height;
};

namespace layout {

inline constexpr Twips FORM_CLIENT{0, 0, 4830, 3090};
inline constexpr Twips SSTAB1{105, 105, 4635, 2535};
inline constexpr Twips CHECK4{3465, 2730, 1275, 330};

inline constexpr Twips CHECK1{105, 420, 2220, 225};
inline constexpr Twips FRAME1{105, 735, 4425, 855};
inline constexpr Twips LABEL1{105, 400, 3060, 225};
inline constexpr Twips COMMAND1{3255, 315, 960, 330};
inline constexpr Twips FRAME2{105, 1680, 4425, 750};
inline constexpr Twips CHECK3{2205, 315, 2115, 225};
// "Files added to folder" is wider on the first two pages than on the others.
constexpr Twips check2(int page)
{
    return {210, 315, page == 0 ? 2115 : page == 1 ? 1905 : 1800, 225};
}

inline constexpr Twips IMAGE1{210, 525, 480, 480};
inline constexpr Twips LABEL2_0{840, 630, 3165, 225};
inline constexpr Twips LABEL2_1{840, 840, 3165, 225};

} // namespace layout

// Twips to pixels at 96 dpi, times the layout factor.
QRect toPixels(const Twips& box, double scale);

// What a control needs: its size hint, and the box the table gives it.
struct Fit
{
    QSize needed;
    Twips box;
};

// The smallest layout factor, at least 1, at which every control's needed size fits its box.
double fittingScale(std::span<const Fit> fits);
