#pragma once

#include <QString>

// The report shown when a statement of a guarded handler fails.
class ErrorReport
{
public:
    virtual ~ErrorReport() = default;
    virtual void report(const QString& description, const QString& location, int line) = 0;
    // A message of the program's own in the same box, with no handler or
    // line to quote (a settings file that was reset, a save that failed).
    virtual void notify(const QString& message) = 0;
};

// The report's text: description, location and line, then the support request.
QString errorReportMessage(const QString& description, const QString& location, int line);

// The notice for a save that failed outside a guarded handler: why, and what
// becomes of the change. Told as often as the store throws: the settings
// file's store throws only its first failure of a run.
QString saveFailureNotice(const QString& description);

// The report's title, in the user's language.
QString errorReportTitle();
inline const char* const kSupportAddress = "support@tarnwell.example";
