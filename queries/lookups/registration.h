// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The registration columns, and the same question asked outside a batch.
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

struct ReceivedAnswer;
struct JobContext;
struct Lookup;
struct Service;

// The registration columns: 注册状态, 注册商, 注册日期 and 到期日, all four from one answer about the name's
// registrable domain: its registry's RDAP server (IANA's bootstrap, then the servers registries run that it
// does not list, then the user's own), else its WHOIS server on port 43.
// Every registry's WHOIS server keeps this pace; its variable relays every question through one server.
const Service& whoisService();
const Lookup& registrationStatusLookup();
const Lookup& registrarNameLookup();
const Lookup& registrationDateLookup();
const Lookup& expiryDateLookup();

// The answer and how each cell came from it, as plain text for the window and the command line.
QString explainAnswer(const ReceivedAnswer& answer);

// Asks one name's registry now, outside any batch (查看应答原文 of a row whose answer is no longer kept,
// --explain): finished() comes exactly once, with the answer.
class RegistrationQuestion : public QObject
{
    Q_OBJECT
public:
    RegistrationQuestion(const QString& domain, const JobContext& context, QObject* parent = nullptr);
    ~RegistrationQuestion() override;
    const ReceivedAnswer& answer() const;

signals:
    void finished();

private:
    class RegistrationJob* m_job;
};
