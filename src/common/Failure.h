#pragma once

#include <QString>
#include <stdexcept>

// A run-time failure carrying the description that the error report shows.
// Anything that refuses a value or an operation throws one of these.
class Failure : public std::runtime_error
{
public:
    explicit Failure(const QString& description) : std::runtime_error(description.toStdString()) {}

    QString description() const { return QString::fromStdString(what()); }
};
