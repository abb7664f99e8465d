// What every use of GDAL in the program needs: the library set up once, and the failures it reports while
// one piece of work runs on this thread caught, so that they become that work's reason instead of lines on
// standard error.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

// Registers GDAL's drivers and bounds its block cache; safe to call from any thread, any number of times.
void PrepareGdal();

// Catches what GDAL reports on this thread while the object lives, and notes a failure on one of GDAL's own
// threads meanwhile (after PrepareGdal); one of those fails whatever work was under way, being nobody's in
// particular.
class GdalFailures {
public:
    GdalFailures();
    ~GdalFailures();
    GdalFailures(const GdalFailures&) = delete;
    GdalFailures& operator=(const GdalFailures&) = delete;

    // The first failure reported; warnings are not kept.
    std::optional<QString> First() const;
    // The first failure, or `otherwise` when GDAL said nothing.
    QString Reason(const QString& otherwise) const { return First().value_or(otherwise); }

private:
    std::optional<QString> first_;
    const std::uint64_t otherThreadFailuresBefore_;
};
