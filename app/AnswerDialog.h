// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include <memory>

class QPlainTextEdit;
class RegistrationQuestion;
struct ReceivedAnswer;

// 查看应答原文: a registration cell's answer as the registry sent it, and the lines each cell came from. A row
// whose answer is no longer kept is asked again, and the dialog says so.
class AnswerDialog : public QDialog
{
    Q_OBJECT
public:
    AnswerDialog(const QString& domain, QWidget* parent = nullptr);
    ~AnswerDialog() override;
    void showAnswer(const ReceivedAnswer& answer, bool askedAgain);
    // The answer comes when the question is answered; the dialog owns the question from here on.
    void waitFor(RegistrationQuestion* question);

protected:
    // It stays open beside the window, so it follows a change of language too.
    void changeEvent(QEvent* event) override;

private:
    void showText();

    QString m_domain;
    QPlainTextEdit* m_text;
    std::unique_ptr<ReceivedAnswer> m_answer; // none while the question is out
    bool m_askedAgain = false;
};
