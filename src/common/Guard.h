#pragma once

#include <functional>
#include <QString>

class ErrorReport;

// Location texts of the guarded handlers, as the error report quotes them.
namespace Location
{
inline const char* const FormLoad = "in Hushwave2021/08/31.Form1.Form_Load ";
inline const char* const PushButton1Click = "in Hushwave2021/08/31.Form1.PushButton1_Click ";
inline const char* const PushButton2Click = "in Hushwave2021/08/31.Form1.PushButton2_Click ";
inline const char* const Timer1 = "in Hushwave2021/08/31.Form1.Timer1 ";
inline const char* const FormQueryUnload = "in Hushwave2021/08/31.Form1.Form_QueryUnload ";
} // namespace Location

// Runs the numbered statements of one guarded handler: a statement that
// fails is reported with its number and the handler goes on with the next.
class Guard
{
public:
    Guard(ErrorReport& report, QString location);

    // A plain statement.
    void operator()(int line, const std::function<void()>& statement);

    // A test: a test that fails is reported and counts as held, so the
    // handler goes on with the statements the test guards.
    bool test(int line, const std::function<bool()>& condition);

private:
    bool run(int line, const std::function<void()>& statement);

    ErrorReport& m_report;
    QString m_location;
};

// Qt must never see an exception: slots of unguarded handlers run through
// this, which logs the failure and keeps the program running. A failed save
// is also told to `saveFailures`, when given: the window's error report.
void atQtEdge(const char* handler, const std::function<void()>& body,
              ErrorReport* saveFailures = nullptr);
