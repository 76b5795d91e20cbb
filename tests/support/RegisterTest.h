#pragma once
// A register on each engine holding what a registration of body ASL1 refers
// to (see seedRegistrationReferences), for the servers' tests.

#include <gtest/gtest.h>

#include "support/ProtocolRequests.h"
#include "support/TestDb.h"

namespace nimbo::test {

class RegisterTest : public EngineTest {
protected:
    inline static const QString kEnte = QStringLiteral("ASL1");

    void SetUp() override
    {
        EngineTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        QString error;
        ASSERT_TRUE(seedRegistrationReferences(db().central(), kEnte, &error)) << error.toStdString();
    }
};

} // namespace nimbo::test
