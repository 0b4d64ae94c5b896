// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "test_main.h"
#include "ui/qt_translations.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QLibraryInfo>
#include <QPushButton>
#include <QTest>

namespace {

// What Qt's own Cancel button says, access key aside.
QString cancelText()
{
    QDialogButtonBox box(QDialogButtonBox::Cancel);
    return box.button(QDialogButtonBox::Cancel)->text().remove(QLatin1Char('&'));
}

} // namespace

class TestQtTranslations : public QObject
{
    Q_OBJECT

private slots:
    void qtTextsFollowTheLocale_data();
    void qtTextsFollowTheLocale();
};

void TestQtTranslations::qtTextsFollowTheLocale_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("catalogue"); // the file the row needs, or none
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<QString>("cancel");
    QTest::newRow("German") << "de_DE"
                            << "qtbase_de.qm" << true << "Abbrechen";
    QTest::newRow("Hebrew, a right-to-left language")
        << "he_IL"
        << "qtbase_he.qm" << true << QString::fromUtf8("ביטול");
    QTest::newRow("Esperanto, which Qt has no texts for") << "eo"
                                                          << "" << false << "Cancel";
}

void TestQtTranslations::qtTextsFollowTheLocale()
{
    QFETCH(QString, locale);
    QFETCH(QString, catalogue);
    QFETCH(bool, loaded);
    QFETCH(QString, cancel);
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!catalogue.isEmpty() && !QFile::exists(folder + QLatin1Char('/') + catalogue))
        QSKIP(qPrintable(catalogue + " is not in " + folder +
                         ": Qt's translations (qt6-translations-l10n) are not installed"));
    QCOMPARE(cancelText(), QString("Cancel"));

    {
        const QtTranslations translations{QLocale(locale)};
        QCOMPARE(translations.isLoaded(), loaded);
        QCOMPARE(cancelText(), cancel);
        // The program's captions are English: its window is never mirrored.
        QCOMPARE(QGuiApplication::layoutDirection(), Qt::LeftToRight);
    }
    QCOMPARE(cancelText(), QString("Cancel"));
}

MARROWQUILL_TEST_MAIN(TestQtTranslations)
#include "tst_qt_translations.moc"
