// SPDX-License-Identifier: GPL-3.0-or-later
#include "WhoisCorpus.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

using namespace Qt::Literals::StringLiterals;

namespace {

// "#created_on\n  %s %CLASS{time}\n  %s %TIME{2004-04-06 00:00:00 UTC}\n": each "#fact" with its lines.
QHash<QString, QStringList> factsOf(const QString& expected)
{
    QHash<QString, QStringList> facts;
    QString fact;
    for (const QString& line : expected.split(u'\n')) {
        if (line.startsWith(u'#'))
            fact = line.mid(1).trimmed();
        else if (!fact.isEmpty() && line.trimmed().startsWith(u"%s"_s))
            facts[fact].append(line.trimmed());
    }
    return facts;
}

std::optional<QString> dateFact(const QStringList& lines)
{
    static const QRegularExpression time(u"%TIME\\{(\\d{4}-\\d{2}-\\d{2})"_s);
    for (const QString& line : lines) {
        if (line.contains(u"%ERROR"_s))
            return std::nullopt;
        if (line.endsWith(u"== nil"_s))
            return QString();
        if (const auto m = time.match(line); m.hasMatch())
            return m.captured(1);
    }
    return std::nullopt; // a form of date the statement does not give plainly
}

QString quoted(const QString& line)
{
    const qsizetype first = line.indexOf(u'"');
    return first < 0 ? QString() : line.mid(first + 1, line.lastIndexOf(u'"') - first - 1);
}

// The name the answer is about: as the facts state it, else the one the answer names under its suffix, else
// the corpus's usual names.
QString askedName(
    const QHash<QString, QStringList>& facts, const QString& text, const QString& suffix, const QString& kind)
{
    for (const QString& line : facts.value(u"domain"_s)) {
        if (line.contains(u"== \""_s))
            return quoted(line).toLower();
    }
    // The name of the record the answer holds, else one of the few names the corpus asks about, spelt whole
    // ("u34jedzcq.com.sa").
    static const QRegularExpression record(
        u"^[^:\\n]*?(?:domain(?:[ -]name)?|query|nombre de dominio)[\\s.:]+[\\[(\"']?([\\p{L}\\p{N}][\\p{L}\\p{N}-]*(?:\\.[\\p{L}\\p{N}-]+)+)"_s,
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::MultilineOption);
    if (const auto m = record.match(text); m.hasMatch())
        return m.captured(1).toLower();
    static const QRegularExpression usual(
        u"\\b(?:google|u34jedzcq|nosuchdomain\\w*|notfoundthere|notused|sadasdsa)\\.[a-z0-9.-]*[a-z0-9]"_s,
        QRegularExpression::CaseInsensitiveOption);
    if (const auto m = usual.match(text); m.hasMatch())
        return m.captured().toLower();
    return (kind == u"available"_s ? u"u34jedzcq."_s : u"google."_s) + suffix;
}

} // namespace

QList<CorpusAnswer> readWhoisCorpus(const QString& folder)
{
    QList<CorpusAnswer> corpus;
    QDirIterator files(folder, {u"*.txt"_s}, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QFileInfo file(files.next());
        const QString path = file.filePath().mid(folder.size() + 1);
        QFile expectedFile(file.path() + u'/' + file.completeBaseName() + u".expected"_s);
        QFile answerFile(file.filePath());
        if (!expectedFile.open(QIODevice::ReadOnly) || !answerFile.open(QIODevice::ReadOnly))
            continue;
        CorpusAnswer entry;
        entry.path = path;
        entry.server = path.section(u'/', 0, 0);
        // "whois.nic.it/it/status_registered.txt"; a registrar's answers stand without a suffix folder.
        const QString suffix = path.count(u'/') >= 2 ? path.section(u'/', 1, 1) : u"com"_s;
        entry.answer = answerFile.readAll();
        const auto facts = factsOf(QString::fromUtf8(expectedFile.readAll()));
        entry.kind = file.completeBaseName().section(u'_', 1, 1);
        const QString status = facts.value(u"status"_s).value(0);
        if (facts.value(u"available?"_s).value(0).endsWith(u"true"_s))
            entry.kind = u"available"_s;
        else if (status.contains(u":reserved"_s))
            entry.kind = u"reserved"_s;
        else if (facts.value(u"registered?"_s).value(0).endsWith(u"true"_s))
            entry.kind = u"registered"_s;
        entry.asked = askedName(facts, QString::fromUtf8(entry.answer), suffix, entry.kind);
        entry.created = dateFact(facts.value(u"created_on"_s));
        entry.expiry = dateFact(facts.value(u"expires_on"_s));
        for (const QString& line : facts.value(u"registrar"_s)) {
            if (line.startsWith(u"%s.name"_s) || line.startsWith(u"%s.organization"_s)) {
                if (!quoted(line).isEmpty())
                    entry.registrar.append(quoted(line));
            }
        }
        corpus.append(entry);
    }
    std::sort(corpus.begin(), corpus.end(), [](const auto& a, const auto& b) { return a.path < b.path; });
    return corpus;
}
