#pragma once

#include "common/ErrorReport.h"

#include <QList>
#include <QPointer>

class QMessageBox;
class QWidget;

// The modal "Application Error" box with a warning icon and one OK button.
class MessageBoxErrorReport : public ErrorReport
{
public:
    explicit MessageBoxErrorReport(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }
    void report(const QString& description, const QString& location, int line) override;
    void notify(const QString& message) override;

    // The program is ending: boxes that wait for OK go, and no other opens.
    void stop();

private:
    void show(const QString& text);

    QWidget* m_parent;
    QList<QPointer<QMessageBox>> m_open;
    bool m_stopped = false;
};
