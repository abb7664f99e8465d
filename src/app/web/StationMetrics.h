// The station's state for monitoring systems: GET /metrics in the Prometheus text format (version 0.0.4),
// every name beginning with "stratolux_".
#pragma once

#include "StationFacts.h"

#include <QByteArray>

inline constexpr char kMetricsContentType[] = "text/plain; version=0.0.4; charset=utf-8";

QByteArray StationMetrics(const StationFacts& facts);
