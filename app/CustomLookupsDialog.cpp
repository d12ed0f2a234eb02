// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CustomLookupsDialog.h"

#include "queries/lookups/builtin.h"
#include "web/fetch.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kShownPageChars = 2000;

QLineEdit* field(const QString& name, const QString& placeholder = {})
{
    auto* edit = new QLineEdit;
    edit->setObjectName(name);
    edit->setPlaceholderText(placeholder);
    return edit;
}

} // namespace

CustomLookupsDialog::CustomLookupsDialog(const std::vector<CustomLookup>& lookups, const QString& path, QWidget* parent)
    : QDialog(parent)
    , m_lookups(lookups)
    , m_path(path)
    , m_list(new QListWidget)
    , m_key(field(u"key"_s, tr("字母、数字和 -，用于 --lookups")))
    , m_header(field(u"header"_s, tr("表格中的列标题")))
    , m_url(field(u"url"_s, u"https://api.example.com/weight?domain={ascii}"_s))
    , m_headers(new QPlainTextEdit)
    , m_charset(field(u"charset"_s, tr("按页面声明，否则 UTF-8")))
    , m_extraction(new QComboBox)
    , m_pattern(field(u"pattern"_s))
    , m_closing(field(u"closing"_s, tr("结束标记")))
    , m_service(field(u"service"_s, tr("默认：地址的主机名")))
    , m_tryDomain(field(u"tryDomain"_s, u"example.com"_s))
    , m_tryCell(new QLabel)
    , m_tryPage(new QPlainTextEdit)
    , m_message(new QLabel)
{
    setObjectName(u"customLookupsDialog"_s);
    setWindowTitle(tr("自定义查询"));
    setUpFields();
    auto* panes = new QHBoxLayout;
    panes->addLayout(listPane(), 1);
    panes->addLayout(formPane(), 3);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &CustomLookupsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CustomLookupsDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(panes);
    layout->addWidget(m_message);
    layout->addWidget(buttons);
    resize(860, 560);

    const auto placeholders = [this](int kind) {
        const QStringList hints {u"<span class=\"weight\">(\\d+)</span>"_s, u"/data/weight"_s, tr("开始标记")};
        m_pattern->setPlaceholderText(hints.value(kind));
        m_closing->setEnabled(kind == int(Extraction::Between));
    };
    connect(m_extraction, &QComboBox::currentIndexChanged, this, placeholders);
    placeholders(0);
    connect(m_list, &QListWidget::currentRowChanged, this, [this](int row) {
        keep();
        showLookup(row);
    });
    refreshList();
    m_list->setCurrentRow(m_lookups.empty() ? -1 : 0);
    if (m_lookups.empty())
        showLookup(-1);
}

void CustomLookupsDialog::setUpFields()
{
    m_list->setObjectName(u"lookupList"_s);
    m_headers->setObjectName(u"headers"_s);
    m_headers->setPlaceholderText(tr("每行一个：名称: 值（例如 X-Api-Key: …）"));
    m_headers->setFixedHeight(52);
    m_extraction->setObjectName(u"extraction"_s);
    m_extraction->addItems({tr("正则表达式（第一个捕获组）"), tr("JSON 指针（RFC 6901）"), tr("两个标记之间的文字")});
    m_tryCell->setObjectName(u"tryCell"_s);
    m_tryCell->setTextFormat(Qt::PlainText);
    m_tryCell->setWordWrap(true);
    m_tryPage->setObjectName(u"tryPage"_s);
    m_tryPage->setReadOnly(true);
    m_message->setObjectName(u"message"_s);
    m_message->setStyleSheet(u"color: #b00020"_s);
    m_message->setTextFormat(Qt::PlainText);
    m_message->setWordWrap(true);
}

QLayout* CustomLookupsDialog::listPane()
{
    auto* addButton = new QPushButton(tr("添加"));
    addButton->setObjectName(u"add"_s);
    auto* removeButton = new QPushButton(tr("删除"));
    removeButton->setObjectName(u"remove"_s);
    connect(addButton, &QPushButton::clicked, this, &CustomLookupsDialog::add);
    connect(removeButton, &QPushButton::clicked, this, &CustomLookupsDialog::remove);
    auto* listButtons = new QHBoxLayout;
    listButtons->addWidget(addButton);
    listButtons->addWidget(removeButton);
    auto* pane = new QVBoxLayout;
    pane->addWidget(m_list);
    pane->addLayout(listButtons);
    return pane;
}

QLayout* CustomLookupsDialog::formPane()
{
    auto* form = new QFormLayout;
    form->addRow(tr("键名"), m_key);
    form->addRow(tr("列标题"), m_header);
    form->addRow(tr("地址"), m_url);
    form->addRow(new QLabel(tr("地址中可用 {domain}（原样）、{ascii}（punycode）、{registrable}（可注册域名）")));
    form->addRow(tr("请求头"), m_headers);
    form->addRow(tr("字符集"), m_charset);
    form->addRow(tr("提取方式"), m_extraction);
    form->addRow(tr("表达式"), m_pattern);
    form->addRow(tr("结束标记"), m_closing);
    form->addRow(tr("服务"), m_service);
    auto* tryButton = new QPushButton(tr("试一试"));
    tryButton->setObjectName(u"try"_s);
    connect(tryButton, &QPushButton::clicked, this, &CustomLookupsDialog::tryOne);
    auto* tryRow = new QHBoxLayout;
    tryRow->addWidget(m_tryDomain);
    tryRow->addWidget(tryButton);
    form->addRow(tr("试查域名"), tryRow);
    form->addRow(tr("单元格"), m_tryCell);
    form->addRow(tr("页面开头"), m_tryPage);
    return form;
}

void CustomLookupsDialog::refreshList()
{
    const QSignalBlocker quiet(m_list);
    const int row = m_list->currentRow();
    m_list->clear();
    for (const CustomLookup& lookup : m_lookups)
        m_list->addItem(tr("%1（%2）").arg(lookup.header, lookup.key));
    m_list->setCurrentRow(qMin(row, m_list->count() - 1));
}

void CustomLookupsDialog::showLookup(int index)
{
    m_current = index;
    const bool editing = index >= 0 && index < int(m_lookups.size());
    for (QWidget* edit : std::initializer_list<QWidget*> {
             m_key, m_header, m_url, m_headers, m_charset, m_extraction, m_pattern, m_service})
        edit->setEnabled(editing);
    const CustomLookup lookup = editing ? m_lookups[size_t(index)] : CustomLookup {};
    m_key->setText(lookup.key);
    m_header->setText(lookup.header);
    m_url->setText(lookup.url);
    QStringList headers;
    for (const auto& [name, value] : lookup.headers)
        headers.append(name + u": "_s + value);
    m_headers->setPlainText(headers.join(u'\n'));
    m_charset->setText(lookup.charset);
    m_extraction->setCurrentIndex(int(lookup.extraction));
    m_pattern->setText(lookup.pattern);
    m_closing->setText(lookup.closing);
    m_closing->setEnabled(editing && lookup.extraction == Extraction::Between);
    m_service->setText(lookup.service);
}

void CustomLookupsDialog::keep()
{
    if (m_current < 0 || m_current >= int(m_lookups.size()))
        return;
    CustomLookup& lookup = m_lookups[size_t(m_current)];
    lookup.key = m_key->text().trimmed();
    lookup.header = m_header->text().trimmed();
    lookup.url = m_url->text().trimmed();
    lookup.headers.clear();
    for (const QString& line : m_headers->toPlainText().split(u'\n', Qt::SkipEmptyParts)) {
        const qsizetype colon = line.indexOf(u':');
        lookup.headers.append({line.left(colon).trimmed(), colon < 0 ? QString() : line.mid(colon + 1).trimmed()});
    }
    lookup.charset = m_charset->text().trimmed();
    lookup.extraction = Extraction(m_extraction->currentIndex());
    lookup.pattern = m_pattern->text();
    lookup.closing = lookup.extraction == Extraction::Between ? m_closing->text() : QString();
    lookup.service = m_service->text().trimmed();
    if (QListWidgetItem* item = m_list->item(m_current))
        item->setText(tr("%1（%2）").arg(lookup.header, lookup.key));
}

void CustomLookupsDialog::add()
{
    keep();
    CustomLookup lookup;
    for (int n = int(m_lookups.size()) + 1;; ++n) {
        lookup.key = u"custom-%1"_s.arg(n);
        if (std::none_of(
                m_lookups.begin(), m_lookups.end(), [&](const CustomLookup& other) { return other.key == lookup.key; }))
            break;
    }
    lookup.header = tr("自定义 %1").arg(m_lookups.size() + 1);
    m_lookups.push_back(lookup);
    m_current = -1; // the fields are for the new one now
    refreshList();
    m_list->setCurrentRow(int(m_lookups.size()) - 1);
    m_key->setFocus();
}

void CustomLookupsDialog::remove()
{
    if (m_current < 0 || m_current >= int(m_lookups.size()))
        return;
    m_lookups.erase(m_lookups.begin() + m_current);
    m_current = -1;
    refreshList();
    showLookup(m_list->currentRow());
}

void CustomLookupsDialog::tryOne()
{
    keep();
    if (m_current < 0 || m_current >= int(m_lookups.size()))
        return;
    const CustomLookup lookup = m_lookups[size_t(m_current)];
    m_message->clear();
    if (const QString problem = customProblem(lookup); !problem.isEmpty()) {
        m_tryCell->setText(problem);
        return;
    }
    const QString domain = m_tryDomain->text().trimmed().isEmpty() ? u"example.com"_s : m_tryDomain->text().trimmed();
    QString problem;
    const QString address = customAddress(lookup, domain, &problem);
    if (address.isEmpty()) {
        m_tryCell->setText(problem);
        return;
    }
    delete m_trying;
    m_tryCell->setText(tr("正在请求 %1 …").arg(address));
    m_tryPage->clear();
    m_trying = new PageFetch(customRequest(lookup, address), this);
    connect(m_trying, &PageFetch::finished, this, [this, lookup, fetch = m_trying.data()] {
        fetch->deleteLater();
        const PageResult& page = fetch->result();
        const PageRegex regex(lookup.extraction == Extraction::Regex ? lookup.pattern : u"()"_s);
        const CellResult cell = customCell(lookup, &regex, page);
        m_tryCell->setText(cell.problem.isEmpty() ? cell.text : tr("%1（%2）").arg(cell.text, cell.problem));
        m_tryPage->setPlainText(customPageText(lookup, page).left(kShownPageChars));
    });
}

void CustomLookupsDialog::accept()
{
    keep();
    QStringList keys;
    for (size_t i = 0; i < m_lookups.size(); ++i) {
        const CustomLookup& lookup = m_lookups[i];
        QString problem = customProblem(lookup);
        if (problem.isEmpty() && (isBuiltInKey(lookup.key) || keys.contains(lookup.key, Qt::CaseInsensitive)))
            problem = tr("键名“%1”已被占用").arg(lookup.key);
        if (!problem.isEmpty()) {
            m_list->setCurrentRow(int(i));
            m_message->setText(tr("“%1”：%2").arg(lookup.header, problem));
            return;
        }
        keys.append(lookup.key);
    }
    if (const QString error = writeCustomLookups(m_path, m_lookups); !error.isEmpty()) {
        m_message->setText(error);
        return;
    }
    QDialog::accept();
}
