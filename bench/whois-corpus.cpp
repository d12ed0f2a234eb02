// SPDX-License-Identifier: GPL-3.0-or-later
// How registration facts read on real registries' answers: every answer of the corpus read as the program reads
// it, its verdict, dates and registrar compared with what its .expected file states; then the reading cost.
//
//   build/bench/bench_whois_corpus [corpus folder] [answers to time]
//
// With CORPUS_RENAMED=1 each answer is read as though IANA's referral had named a host the data file does not
// know (registries rename their WHOIS hosts): what the file knows of the suffix must still apply.
#include "WhoisCorpus.h"
#include "queries/engine/keys.h"
#include "queries/lookups/whois.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMap>
#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

struct Tally
{
    int registered = 0, registeredRight = 0, available = 0, availableRight = 0, reserved = 0, reservedRight = 0;
    int opposite = 0; // registered read as free or free as registered
    int dates = 0, datesRead = 0, datesWrong = 0, datesUnasked = 0;
    int registrars = 0, registrarsRight = 0;

    void add(const Tally& other)
    {
        int* mine = &registered;
        const int* theirs = &other.registered;
        for (size_t i = 0; i < sizeof(Tally) / sizeof(int); ++i)
            mine[i] += theirs[i];
    }
};

void print(const char* name, const Tally& t)
{
    std::printf("%-34s registered %3d/%-3d available %3d/%-3d reserved %2d/%-2d opposite %d  dates %3d/%-3d wrong %d "
                "unasked %d  registrars %3d/%-3d\n",
        name, t.registeredRight, t.registered, t.availableRight, t.available, t.reservedRight, t.reserved, t.opposite,
        t.datesRead, t.dates, t.datesWrong, t.datesUnasked, t.registrarsRight, t.registrars);
}

QString statusOf(const WhoisReading& reading)
{
    const CellResult& cell = reading.cells.value(Key::RegStatus);
    return cell.problem == u"保留域名"_s ? cell.problem : cell.text;
}

// Counts one answer's reading against what the corpus says the answer holds.
void tally(const CorpusAnswer& entry, const WhoisReading& reading, Tally& t, QStringList& failures)
{
    const QString status = statusOf(reading);
    const QString why = reading.cells.value(Key::RegStatus).problem;
    auto fail = [&](const QString& what) { failures << u"%1 (%2): %3"_s.arg(entry.path, entry.asked, what); };
    if (entry.kind == u"registered"_s) {
        ++t.registered;
        status == u"已注册"_s ? ++t.registeredRight : (fail(u"registered read as %1 %2"_s.arg(status, why)), 0);
        t.opposite += status == u"未注册"_s;
    } else if (entry.kind == u"available"_s) {
        ++t.available;
        status == u"未注册"_s ? ++t.availableRight : (fail(u"available read as %1 %2"_s.arg(status, why)), 0);
        t.opposite += status == u"已注册"_s;
    } else if (entry.kind == u"reserved"_s) {
        ++t.reserved;
        status == u"保留域名"_s ? ++t.reservedRight : (fail(u"reserved read as %1 %2"_s.arg(status, why)), 0);
        t.opposite += status == u"未注册"_s;
    }
    const std::pair<QString, const std::optional<QString>*> dates[]
        = {{Key::RegCreated, &entry.created}, {Key::RegExpiry, &entry.expiry}};
    for (const auto& [key, expected] : dates) {
        const CellResult cell = reading.cells.value(key);
        const bool read = cell.text.size() == 10 && cell.text.at(4) == u'-';
        if (expected->has_value() && !(*expected)->isEmpty()) {
            ++t.dates;
            if (read && cell.text == **expected)
                ++t.datesRead;
            else if (read)
                ++t.datesWrong, fail(u"%1 %2, the answer says %3"_s.arg(key, cell.text, **expected));
            else
                fail(u"%1 not read (%2 %3), the answer says %4"_s.arg(key, cell.text, cell.problem, **expected));
        } else if (read && expected->has_value()) {
            ++t.datesUnasked, fail(u"%1 %2 where the answer has none"_s.arg(key, cell.text));
        }
    }
    if (!entry.registrar.isEmpty() && status == u"已注册"_s) {
        ++t.registrars;
        const QString mine = reading.cells.value(Key::RegRegistrar).text;
        const bool right = std::any_of(entry.registrar.begin(), entry.registrar.end(), [&](const QString& name) {
            return mine.contains(name, Qt::CaseInsensitive)
                || (mine != u"无"_s && name.contains(mine, Qt::CaseInsensitive));
        });
        right ? ++t.registrarsRight
              : (fail(u"registrar %1, the answer says %2"_s.arg(mine, entry.registrar.join(u" / "_s))), 0);
    }
}

// The reading cost: answers of every registry in turn, as a batch meets them.
void timeReading(const QList<CorpusAnswer>& corpus, const WhoisRegistries& registries, int timed)
{
    QElapsedTimer clock;
    clock.start();
    qsizetype checksum = 0;
    for (int i = 0; i < timed; ++i) {
        const CorpusAnswer& entry = corpus.at(i % corpus.size());
        const WhoisRules& rules = registries.rulesFor(entry.server);
        checksum += readWhois(whoisLines(entry.answer, rules.encoding), entry.asked, rules).cells.size();
    }
    const double seconds = clock.nsecsElapsed() / 1e9;
    std::printf("\n%d answers read in %.2f s: %.0f a second (%lld cells)\n", timed, seconds, timed / seconds,
        qlonglong(checksum));
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QString folder
        = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(QUILLMARK_TEST_DATA_DIR "/whois-corpus");
    const int timed = argc > 2 ? std::atoi(argv[2]) : 100'000;
    const QList<CorpusAnswer> corpus = readWhoisCorpus(folder);
    const WhoisRegistries& registries = whoisRegistries();
    for (const QString& problem : whoisRegistryProblems())
        std::printf("data file: %s\n", qPrintable(problem));

    QMap<QString, Tally> servers;
    QStringList failures;
    const QString only = qEnvironmentVariable("CORPUS_ONLY");
    const bool renamed = qEnvironmentVariableIntValue("CORPUS_RENAMED") != 0;
    for (const CorpusAnswer& entry : corpus) {
        if (!only.isEmpty() && !entry.path.startsWith(only))
            continue;
        const WhoisRules& rules = registries.rulesFor(renamed ? u"whois.renamed.invalid"_s : entry.server, entry.asked);
        const WhoisReading reading = readWhois(whoisLines(entry.answer, rules.encoding), entry.asked, rules);
        tally(entry, reading, servers[entry.server], failures);
    }
    Tally all;
    for (auto it = servers.cbegin(); it != servers.cend(); ++it) {
        print(qPrintable(it.key()), *it);
        all.add(*it);
    }
    print("ALL", all);
    std::printf("\n%lld servers, %lld answers; still failing:\n", qlonglong(servers.size()), qlonglong(corpus.size()));
    for (const QString& failure : std::as_const(failures))
        std::printf("  %s\n", qPrintable(failure));

    timeReading(corpus, registries, timed);
    return 0;
}
