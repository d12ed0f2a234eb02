// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AnswerDialog.h"

#include "input/cleantext.h"
#include "queries/engine/answers.h"
#include "queries/lookups/registration.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

AnswerDialog::AnswerDialog(const QString& domain, QWidget* parent)
    : QDialog(parent)
    , m_domain(domain)
    , m_text(new QPlainTextEdit)
{
    setObjectName(u"answerDialog"_s);
    setWindowTitle(tr("应答原文：%1").arg(visibleControls(domain)));
    m_text->setObjectName(u"answerText"_s);
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(buttons);
    resize(760, 520);
    showText();
}

AnswerDialog::~AnswerDialog() = default;

void AnswerDialog::showAnswer(const ReceivedAnswer& answer, bool askedAgain)
{
    m_answer = std::make_unique<ReceivedAnswer>(answer);
    m_askedAgain = askedAgain;
    showText();
}

void AnswerDialog::showText()
{
    if (!m_answer) {
        m_text->setPlainText(tr("正在查询…"));
        return;
    }
    const QString note = m_askedAgain
        ? tr("这一行的应答已不在内存中（程序重启过，或之后查询了太多域名），以下是刚刚重新查询的应答。\n\n")
        : QString();
    // Plain text, never markup; a control character shown as its sign, as --explain shows it.
    m_text->setPlainText(visibleControls(QString(note + explainAnswer(*m_answer))));
}

void AnswerDialog::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        setWindowTitle(tr("应答原文：%1").arg(visibleControls(m_domain)));
        showText();
    }
    QDialog::changeEvent(event);
}

void AnswerDialog::waitFor(RegistrationQuestion* question)
{
    question->setParent(this);
    connect(
        question, &RegistrationQuestion::finished, this, [this, question] { showAnswer(question->answer(), true); });
}
