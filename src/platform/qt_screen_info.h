#pragma once

#include "platform/screen_info.h"

class QtScreenInfo final : public ScreenInfo
{
public:
    QRect geometry() const override;
};
