// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "ui/main_window_layout.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double TWIPS_PER_PIXEL = 15.0;
}

QRect toPixels(const Twips& box, double scale)
{
    const auto pixels = [scale](int twips) {
        return int(std::lround(twips / TWIPS_PER_PIXEL * scale));
    };
    return QRect(pixels(box.left), pixels(box.top), pixels(box.width), pixels(box.height));
}

double fittingScale(std::span<const Fit> fits)
{
    double scale = 1.0;
    for (const Fit& fit : fits) {
        scale = std::max(scale, fit.needed.width() * TWIPS_PER_PIXEL / fit.box.width);
        scale = std::max(scale, fit.needed.height() * TWIPS_PER_PIXEL / fit.box.height);
    }
    // Round up to a hundredth, so that rounding to whole pixels cannot cut a pixel off.
    return std::ceil(scale * 100.0) / 100.0;
}
