// SPDX-License-Identifier: GPL-3.0-or-later
// Names read by IDNA and the Public Suffix List (libpsl).
#include "queries/sources/registrable.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QRegularExpression>
#include <QUrl>
#include <libpsl.h>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

const psl_ctx_t* suffixList()
{
    // psl_latest() takes the newer of the system's file and the built-in list.
    static const std::unique_ptr<psl_ctx_t, void (*)(psl_ctx_t*)> list(psl_latest(nullptr), psl_free);
    return list ? list.get() : psl_builtin();
}

} // namespace

QString asciiName(const QString& domain)
{
    QString name = domain.trimmed().toLower();
    if (name.endsWith(u'.'))
        name.chop(1);
    const QString ascii = QString::fromLatin1(QUrl::toAce(name));
    static const QRegularExpression label(u"^[a-z0-9]([a-z0-9-]{0,61}[a-z0-9])?$"_s);
    const QStringList labels = ascii.split(u'.');
    if (ascii.isEmpty() || ascii.size() > 253 || labels.size() < 2)
        return {};
    for (const QString& part : labels) {
        if (!label.match(part).hasMatch())
            return {};
    }
    return ascii;
}

QString typedHost(const QString& typed)
{
    QString host = typed.trimmed();
    if (host.contains(u"://"_s))
        return QUrl(host).host();
    host = host.section(u'/', 0, 0).section(u'?', 0, 0).section(u'#', 0, 0);
    // A port, but not the colons of an IPv6 address.
    if (host.count(u':') == 1)
        host = host.section(u':', 0, 0);
    return host;
}

TypedName typedName(const QString& typed)
{
    TypedName name;
    name.host = typedHost(typed);
    if (!QHostAddress(name.host).isNull()) {
        name.ascii = name.host; // an address is its own ASCII form, and nobody registers it
        name.problem = QCoreApplication::translate("Names", "%1 是 IP 地址，没有注册信息").arg(name.host);
        return name;
    }
    name.ascii = asciiName(name.host);
    name.registrable = registrableDomain(name.ascii);
    if (name.ascii.isEmpty())
        name.problem = QCoreApplication::translate("Cells", "无效域名");
    else if (name.registrable.isEmpty())
        name.problem = QCoreApplication::translate("Names", "%1 是公共后缀，没有可注册的部分").arg(name.ascii);
    return name;
}

QString registrableDomain(const QString& asciiName)
{
    const QByteArray name = asciiName.toLower().toLatin1();
    // From the whole name towards the last label: the first public suffix met is the longest.
    for (qsizetype start = 0, label = 0; start < name.size(); start = name.indexOf('.', start) + 1, ++label) {
        if (psl_is_public_suffix2(suffixList(), name.constData() + start, PSL_TYPE_ICANN)) {
            if (label == 0)
                return {};
            const qsizetype previous = name.lastIndexOf('.', start - 2) + 1;
            return QString::fromLatin1(name.mid(previous));
        }
        if (name.indexOf('.', start) < 0)
            break;
    }
    return {};
}
