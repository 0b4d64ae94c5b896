// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include <QLocale>
#include <QTranslator>

// Qt's own texts (its standard buttons, the context menu of a text field) in the user's
// language, for as long as this object lives, from the translations installed with Qt. The
// program's own texts are English and stay so, and so does the window's left-to-right layout,
// whatever the language.
class QtTranslations final
{
public:
    explicit QtTranslations(const QLocale& locale = QLocale());
    QtTranslations(const QtTranslations&) = delete;
    QtTranslations& operator=(const QtTranslations&) = delete;
    ~QtTranslations();

    // False when Qt has no translation for the locale: its texts then stay English.
    bool isLoaded() const { return m_loaded; }

private:
    QTranslator m_translator;
    bool m_loaded = false;
};
