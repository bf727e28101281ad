#pragma once

// The readers written elsewhere that the tests open saved workbooks with
// (xlrd, Gnumeric, LibreOffice) may be missing on a developer's machine:
// the test then skips. A run that sets QUORVALE_REQUIRE_READERS=1, as CI
// does, has them all, and a missing one fails the test instead.

#include <QtTest>

#define SKIP_WITHOUT_READER(why)                                                                                       \
    do {                                                                                                               \
        if (qEnvironmentVariableIntValue("QUORVALE_REQUIRE_READERS") == 1)                                             \
            QFAIL(why);                                                                                                \
        QSKIP(why);                                                                                                    \
    } while (false)
