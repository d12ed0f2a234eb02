// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AnswerDialog.h"

#include "input/cleantext.h"
#include "queries/lookups/registration.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

AnswerDialog::AnswerDialog(const QString& domain, QWidget* parent)
    : QDialog(parent)
    , m_text(new QPlainTextEdit)
{
    setObjectName(u"answerDialog"_s);
    setWindowTitle(u"应答原文：%1"_s.arg(visibleControls(domain)));
    m_text->setObjectName(u"answerText"_s);
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_text->setPlainText(u"正在查询…"_s);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(buttons);
    resize(760, 520);
}

void AnswerDialog::showAnswer(const ReceivedAnswer& answer, bool askedAgain)
{
    const QString note = askedAgain
        ? u"这一行的应答已不在内存中（程序重启过，或之后查询了太多域名），以下是刚刚重新查询的应答。\n\n"_s
        : QString();
    // Plain text, never markup; a control character shown as its sign, as --explain shows it.
    m_text->setPlainText(visibleControls(QString(note + explainAnswer(answer))));
}

void AnswerDialog::waitFor(RegistrationQuestion* question)
{
    question->setParent(this);
    connect(
        question, &RegistrationQuestion::finished, this, [this, question] { showAnswer(question->answer(), true); });
}
