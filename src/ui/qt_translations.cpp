// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "ui/qt_translations.h"

#include "support/logging.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLibraryInfo>

QtTranslations::QtTranslations(const QLocale& locale)
{
    // A right-to-left language would otherwise mirror the window around English captions; Qt's
    // -reverse, which asks for the mirror, has set the direction already.
    QGuiApplication::setLayoutDirection(QGuiApplication::layoutDirection());
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    m_loaded = m_translator.load(locale, QStringLiteral("qtbase"), QStringLiteral("_"), folder);
    if (m_loaded)
        QCoreApplication::installTranslator(&m_translator);
    else
        qCDebug(lcDesktop) << "No Qt translation for" << locale.uiLanguages() << "in" << folder;
}

QtTranslations::~QtTranslations()
{
    if (m_loaded)
        QCoreApplication::removeTranslator(&m_translator);
}
