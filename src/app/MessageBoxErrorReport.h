#pragma once

#include "common/ErrorReport.h"

class QWidget;

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
