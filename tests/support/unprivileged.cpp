// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "unprivileged.h"

#include <cstdlib>
#include <unistd.h>

namespace {
constexpr uid_t NOBODY = 65534;
}

Unprivileged::Unprivileged()
{
    if (::geteuid() != 0)
        return;
    m_switched = ::seteuid(NOBODY) == 0;
    m_holds = m_switched;
}

Unprivileged::~Unprivileged()
{
    if (m_switched && ::seteuid(0) != 0)
        std::abort(); // the rest of the run would test as the wrong user
}
