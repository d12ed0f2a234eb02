// SPDX-License-Identifier: GPL-3.0-or-later
// The walker's log of answers as received, kept within a bound of memory.
#include "queries/engine/answers.h"

namespace {

constexpr size_t kAnswersKept = 5000;
constexpr qint64 kBytesKept = 16 * 1024 * 1024;

qint64 sizeOf(const ReceivedAnswer& answer)
{
    // What the lines hold, not what they show: a line's room and its allocation's header too.
    qint64 bytes = 256;
    for (const QString& line : answer.lines)
        bytes += qint64(sizeof(QString)) + 32 + line.capacity() * 2;
    return bytes;
}

} // namespace

void AnswerLog::keep(const ReceivedAnswer& answer)
{
    if (const auto old = m_answers.take(answer.asked)) {
        m_bytes -= sizeOf(*old);
        m_order.erase(std::find(m_order.begin(), m_order.end(), answer.asked));
    }
    auto kept = std::make_shared<const ReceivedAnswer>(answer);
    m_bytes += sizeOf(*kept);
    m_answers.insert(answer.asked, kept);
    m_order.push_back(answer.asked);
    while (m_order.size() > kAnswersKept || (m_bytes > kBytesKept && m_order.size() > 1)) {
        m_bytes -= sizeOf(*m_answers.take(m_order.front()));
        m_order.pop_front();
    }
}

std::shared_ptr<const ReceivedAnswer> AnswerLog::find(const QString& asked) const
{
    return m_answers.value(asked);
}
