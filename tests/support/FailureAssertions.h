// Assertions on a step's failure: that it failed, with which code and which reason.
#pragma once

#include "Failure.h"

#include <gtest/gtest.h>

namespace failure_assertions {

inline testing::AssertionResult Check(const Status& status, FailureCode code, bool reasonMatches) {
    if (status) return testing::AssertionFailure() << "succeeded, did not fail";
    if (status.failure().code != code || !reasonMatches)
        return testing::AssertionFailure() << "failed with \"" << status.failure().message.toStdString()
                                           << "\" (code " << static_cast<int>(status.failure().code) << ")";
    return testing::AssertionSuccess();
}

} // namespace failure_assertions

inline testing::AssertionResult FailedWith(const Status& status, FailureCode code, const QString& reason) {
    return failure_assertions::Check(status, code, !status && status.failure().message == reason);
}

inline testing::AssertionResult FailedWithReasonStarting(const Status& status, FailureCode code,
                                                         const QString& start) {
    return failure_assertions::Check(status, code, !status && status.failure().message.startsWith(start));
}
