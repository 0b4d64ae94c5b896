// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

// How long the window's event loop stalls while the folder chooser opens on a folder inside a
// folder of 50,000 subfolders, shows them all, and then, that folder collapsed and expanded
// again, lists it once more. A 0 ms timer measures the longest the loop went without turning.
// Next to each run, a bare Qt window is watched the same way for as long: its longest gap is
// what the machine and Qt give anyway. Rounds interleave the two; the longest gaps are
// reported with their ratio.

#include "chooser/folder_picker.h"
#include "chooser/folder_tree_model.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <cstdlib>
#include <iomanip>
#include <iostream>
#include <sys/stat.h>

namespace {

constexpr int SUBFOLDERS = 50'000;
const int ROUNDS = qEnvironmentVariableIntValue("BENCH_ROUNDS") > 0
                       ? qEnvironmentVariableIntValue("BENCH_ROUNDS")
                       : 5;

class LoopGapWatch
{
public:
    LoopGapWatch()
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_longestNs = std::max(m_longestNs, m_sinceLast.nsecsElapsed());
            m_sinceLast.restart();
        });
        m_sinceLast.start();
        m_timer.start(0);
    }
    double longestMs() const { return double(m_longestNs) / 1e6; }

private:
    QTimer m_timer;
    QElapsedTimer m_sinceLast;
    qint64 m_longestNs = 0;
};

void runEventsUntil(const std::function<bool()>& done)
{
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
}

void runEventsFor(qint64 ms)
{
    QElapsedTimer elapsed;
    elapsed.start();
    runEventsUntil([&] { return elapsed.hasExpired(ms); });
}

QString subfolder(const QString& big, int i)
{
    return big + QStringLiteral("/f%1").arg(i, 5, 10, QLatin1Char('0'));
}

struct Gaps
{
    double shown = 0;    // opening until every subfolder shows
    double relisted = 0; // collapsed, expanded, listed again
    qint64 shownMs = 0;  // how long each took
    qint64 relistedMs = 0;
};

Gaps chooserRound(const QString& big)
{
    Gaps gaps;
    QElapsedTimer took;
    took.start();
    FolderPickerDialog dialog(QStringLiteral("Select a folder to watch..."),
                              subfolder(big, SUBFOLDERS / 2));
    FolderTreeModel* model = dialog.folderModel();
    {
        const LoopGapWatch watch;
        dialog.show();
        runEventsUntil([&] { return model->rowCount(model->indexOf(big)) == SUBFOLDERS; });
        gaps.shown = watch.longestMs();
        gaps.shownMs = took.restart();
    }
    QTreeView* tree = dialog.folderTree();
    tree->collapse(model->indexOf(big));
    runEventsFor(50);
    bool listed = false;
    QObject::connect(model, &FolderTreeModel::folderListed,
                     [&](const QString& path) { listed = listed || path == big; });
    took.restart();
    const LoopGapWatch watch;
    tree->expand(model->indexOf(big));
    runEventsUntil([&] { return listed; });
    gaps.relisted = watch.longestMs();
    gaps.relistedMs = took.elapsed();
    return gaps;
}

double bareRound(qint64 ms)
{
    QWidget window;
    window.resize(600, 520);
    const LoopGapWatch watch;
    window.show();
    runEventsFor(ms);
    return watch.longestMs();
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString parent = qEnvironmentVariable("BENCH_DIR", QStringLiteral("/var/tmp"));
    const QString big = parent + QStringLiteral("/marrowquill-bench-chooser");
    std::cerr << "Making " << SUBFOLDERS << " subfolders in " << big.toStdString() << "...\n";
    QDir().mkpath(big);
    for (int i = 0; i < SUBFOLDERS; ++i)
        ::mkdir(QFile::encodeName(subfolder(big, i)).constData(), 0755);

    Gaps worst;
    double bareShown = 0;
    double bareRelisted = 0;
    for (int round = 0; round < ROUNDS; ++round) {
        const Gaps gaps = chooserRound(big);
        bareShown = std::max(bareShown, bareRound(gaps.shownMs));
        bareRelisted = std::max(bareRelisted, bareRound(gaps.relistedMs));
        worst.shown = std::max(worst.shown, gaps.shown);
        worst.relisted = std::max(worst.relisted, gaps.relisted);
        worst.shownMs = std::max(worst.shownMs, gaps.shownMs);
        worst.relistedMs = std::max(worst.relistedMs, gaps.relistedMs);
    }

    std::cout << std::fixed << std::setprecision(1) << "The chooser on a folder of " << SUBFOLDERS
              << " subfolders, longest event-loop gap over " << ROUNDS << " rounds:\n"
              << "  opened until all show (at most " << worst.shownMs << " ms): " << worst.shown
              << " ms; bare Qt window for as long: " << bareShown << " ms; ratio "
              << worst.shown / bareShown << "\n"
              << "  collapsed, expanded, listed again (at most " << worst.relistedMs
              << " ms): " << worst.relisted << " ms; bare Qt window for as long: " << bareRelisted
              << " ms; ratio " << worst.relisted / bareRelisted << "\n";

    if (!std::getenv("BENCH_KEEP"))
        QDir(big).removeRecursively();
    return 0;
}
