// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "support/logging.h"

#include <cstring>

Q_LOGGING_CATEGORY(lcPoll, "marrowquill.poll", QtWarningMsg)
Q_LOGGING_CATEGORY(lcCounter, "marrowquill.counter", QtWarningMsg)
Q_LOGGING_CATEGORY(lcSettings, "marrowquill.settings", QtWarningMsg)
Q_LOGGING_CATEGORY(lcInstance, "marrowquill.instance", QtWarningMsg)
Q_LOGGING_CATEGORY(lcSound, "marrowquill.sound", QtWarningMsg)
Q_LOGGING_CATEGORY(lcDesktop, "marrowquill.desktop", QtWarningMsg)

QString errorText(int errorNumber)
{
    return QString::fromLocal8Bit(std::strerror(errorNumber));
}
