#include "common/Guard.h"

#include "common/ErrorReport.h"
#include "common/Failure.h"
#include "common/Logging.h"
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

void atQtEdge(const char* handler, const std::function<void()>& body, ErrorReport* saveFailures)
{
    try {
        body();
    } catch (const SaveFailure& failure) {
        qCWarning(settingsLog, "%s failed: %s", handler, qPrintable(failure.description()));
        if (saveFailures)
            saveFailures->notify(saveFailureNotice(failure.description()));
    } catch (...) {
        qCWarning(windowLog, "%s failed: %s", handler, qPrintable(describeCurrentException()));
    }
}
