#pragma once

#include <QString>

class QWidget;

// The report shown when a statement of a guarded handler fails.
class ErrorReport
{
public:
    virtual ~ErrorReport() = default;
    virtual void report(const QString& description, const QString& location, int line) = 0;
};

// The report's text: description, location and line, then the support request.
QString errorReportMessage(const QString& description, const QString& location, int line);

inline const char* const kErrorReportTitle = "Application Error";
inline const char* const kSupportAddress = "support@tarnwell.example";

// The modal "Application Error" box with a warning icon and one OK button.
class MessageBoxErrorReport : public ErrorReport
{
public:
    explicit MessageBoxErrorReport(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }
    void report(const QString& description, const QString& location, int line) override;

private:
    QWidget* m_parent;
};
