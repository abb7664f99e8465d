// What every use of GDAL in the program needs: the library set up once, and the failures it reports while
// one piece of work runs on this thread caught, so that they become that work's reason instead of lines on
// standard error.
#pragma once

#include <QString>
#include <optional>

// Registers GDAL's drivers and bounds its block cache; safe to call from any thread, any number of times.
void PrepareGdal();

// Catches what GDAL reports on this thread while the object lives.
class GdalFailures {
public:
    GdalFailures();
    ~GdalFailures();
    GdalFailures(const GdalFailures&) = delete;
    GdalFailures& operator=(const GdalFailures&) = delete;

    // The first failure reported; warnings are not kept.
    const std::optional<QString>& First() const { return first_; }
    // The first failure, or `otherwise` when GDAL said nothing.
    QString Reason(const QString& otherwise) const { return first_.value_or(otherwise); }

private:
    std::optional<QString> first_;
};
