#pragma once

#include "common/Failure.h"
#include "tray/Handles.h"
#include "tray/NotifyIconData.h"

#include <QCoreApplication>
#include <QObject>

#include <functional>
#include <vector>

// Records every record handed to the shell. Can fail the next call, run a
// callback during a call, and close each balloon at once the way the shell
// reports it (a posted callback message), so waits end without real time.
class RecordingShell : public TrayShell
{
public:
    struct Call {
        std::uint32_t op;
        NOTIFYICONDATAA data;
    };

    bool Shell_NotifyIconA(std::uint32_t op, const NOTIFYICONDATAA& data) override
    {
        calls.push_back({op, data});
        if (onCall)
            onCall(op, data);
        if (failNext) {
            failNext = false;
            throw Failure("shell refused");
        }
        if (closeBalloonsWith != 0 && op == NIM_MODIFY && (data.uFlags & NIF_INFO) &&
            !textField(data.szInfo).isEmpty())
            QCoreApplication::postEvent(windowFromHandle(data.hWnd),
                                        new TrayCallbackEvent(kTrayCallbackMessage,
                                                              std::int32_t(data.uID),
                                                              closeBalloonsWith));
        return true;
    }

    // Balloons shown (not the clearing ones).
    std::vector<NOTIFYICONDATAA> balloons() const
    {
        std::vector<NOTIFYICONDATAA> result;
        for (const Call& call : calls)
            if ((call.data.uFlags & NIF_INFO) && !textField(call.data.szInfo).isEmpty())
                result.push_back(call.data);
        return result;
    }

    std::vector<Call> calls;
    bool failNext = false;
    std::int32_t closeBalloonsWith = 0;
    std::function<void(std::uint32_t, const NOTIFYICONDATAA&)> onCall;
};

// Records the events that reach an object after any filter installed later.
class EventRecorder : public QObject
{
public:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == TrayCallbackEvent::eventType())
            lParams.push_back(static_cast<TrayCallbackEvent*>(event)->lParam);
        else
            others.push_back(event->type());
        return false;
    }
    std::vector<std::int32_t> lParams;
    std::vector<QEvent::Type> others;
};

inline void sendTrayMessage(QObject* window, std::int32_t lParam, std::int32_t wParam = 0,
                            std::uint32_t message = kTrayCallbackMessage)
{
    TrayCallbackEvent event(message, wParam, lParam);
    QCoreApplication::sendEvent(window, &event);
}
