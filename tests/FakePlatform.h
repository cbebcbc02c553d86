#pragma once

#include "platform/Platform.h"

#include <QStringList>

#include <deque>
#include <functional>
#include <vector>

// Answers the modal services from scripted queues and records every call, so a test
// can say exactly which boxes a handler showed and what it asked.
class FakePlatform : public Platform
{
public:
    struct Call
    {
        QString kind; // "messageBox", "error", "input", "open", "save", "clipboard"
        QString text;
        QString title;
        int style = 0;
        FileDialogRequest request;
    };

    int messageBox(const QString &text, const QString &title, int style) override
    {
        calls.push_back({ QStringLiteral("messageBox"), text, title, style, {} });
        if (whileBoxIsUp)
            whileBoxIsUp();
        if (!messageAnswers.empty()) {
            const int answer = messageAnswers.front();
            messageAnswers.pop_front();
            return answer;
        }
        return (style & MsgBox::ButtonMask) == MsgBox::YesNo ? MsgBox::No : MsgBox::Ok;
    }
    void showError(const QString &text) override
    {
        calls.push_back({ QStringLiteral("error"), text, QStringLiteral("vantel"), 0, {} });
        if (whileBoxIsUp)
            whileBoxIsUp();
    }
    std::optional<QString> inputBox(const QString &prompt, const QString &title,
                                    const QString &initial) override
    {
        calls.push_back({ QStringLiteral("input"), prompt, title, 0, { {}, {}, {}, initial } });
        return next(inputAnswers);
    }
    std::optional<QString> openFile(const FileDialogRequest &request) override
    {
        calls.push_back({ QStringLiteral("open"), {}, request.title, 0, request });
        return next(fileAnswers);
    }
    std::optional<QString> saveFile(const FileDialogRequest &request) override
    {
        calls.push_back({ QStringLiteral("save"), {}, request.title, 0, request });
        return next(fileAnswers);
    }
    void setClipboardText(const QString &text) override
    {
        calls.push_back({ QStringLiteral("clipboard"), text, {}, 0, {} });
        clipboard = text;
    }
    QDateTime now() const override { return clock; }

    int count(const QString &kind) const
    {
        int n = 0;
        for (const Call &call : calls)
            n += call.kind == kind ? 1 : 0;
        return n;
    }
    QStringList errors() const
    {
        QStringList out;
        for (const Call &call : calls) {
            if (call.kind == QLatin1String("error"))
                out << call.text;
        }
        return out;
    }

    std::vector<Call> calls;
    std::function<void()> whileBoxIsUp; // runs while a message or error box would be on screen
    std::deque<int> messageAnswers;
    std::deque<std::optional<QString>> inputAnswers; // empty queue: Cancel
    std::deque<std::optional<QString>> fileAnswers; // empty queue: Cancel
    QString clipboard;
    QDateTime clock = QDateTime(QDate(2024, 3, 9), QTime(18, 42));

private:
    static std::optional<QString> next(std::deque<std::optional<QString>> &queue)
    {
        if (queue.empty())
            return std::nullopt;
        std::optional<QString> value;
        value.swap(queue.front());
        queue.pop_front();
        return value;
    }
};
