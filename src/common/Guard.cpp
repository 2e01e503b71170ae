#include "common/Guard.h"

#include "common/ErrorReport.h"
#include "common/Failure.h"
#include "common/SettingsStore.h"

#include <exception>
#include <QtGlobal>

namespace
{
QString describeCurrentException()
{
    try {
        throw;
    } catch (const Failure& failure) {
        return failure.description();
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("Unknown failure");
    }
}
} // namespace

Guard::Guard(ErrorReport& report, QString location)
    : m_report(report), m_location(std::move(location))
{
}

bool Guard::run(int line, const std::function<void()>& statement)
{
    try {
        statement();
        return true;
    } catch (...) {
        m_report.report(describeCurrentException(), m_location, line);
        return false;
    }
}

void Guard::operator()(int line, const std::function<void()>& statement)
{
    run(line, statement);
}

bool Guard::test(int line, const std::function<bool()>& condition)
{
    bool held = true;
    run(line, [&] { held = condition(); });
    return held;
}

namespace
{
std::function<void(const QString&)>& saveFailureNotice()
{
    static std::function<void(const QString&)> notice;
    return notice;
}
} // namespace

void setSaveFailureNotice(std::function<void(const QString& description)> notice)
{
    saveFailureNotice() = std::move(notice);
}

void atQtEdge(const char* handler, const std::function<void()>& body)
{
    try {
        body();
    } catch (const SaveFailure& failure) {
        qWarning("%s failed: %s", handler, qPrintable(failure.description()));
        if (const auto notice = saveFailureNotice())
            notice(failure.description());
    } catch (...) {
        qWarning("%s failed: %s", handler, qPrintable(describeCurrentException()));
    }
}
