#include "VLException.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <dlfcn.h>

namespace {

[[gnu::noinline]] void raiseFromHere()
{
    VLException(QStringLiteral("VLTestException"), QStringLiteral("raised on purpose"),
                {{QStringLiteral("Key"), 1}})
        .raise();
}

} // namespace

TEST(VLException, CarriesTheStackTraceOfTheRaise)
{
    try {
        raiseFromHere();
        FAIL() << "raise returned";
    } catch (const VLException &e) {
        EXPECT_EQ(e.name(), QStringLiteral("VLTestException"));
        EXPECT_EQ(e.reason(), QStringLiteral("raised on purpose"));
        EXPECT_EQ(e.userInfo().value(QStringLiteral("Key")).toInt(), 1);
        ASSERT_GE(e.callStackReturnAddresses().size(), 2u);

        QStringList hex;
        for (const quintptr address : e.callStackReturnAddresses())
            hex << QStringLiteral("0x%1").arg(address, 0, 16);
        EXPECT_EQ(e.userInfo().value(QStringLiteral("NSStackTraceKey")).toString(), hex.join(u' '));

        // The trace runs through this test program, not only through the library.
        const QStringList symbols = e.callStackSymbols();
        ASSERT_EQ(symbols.size(), qsizetype(e.callStackReturnAddresses().size()));
        const QString program = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
        EXPECT_TRUE(symbols.filter(program).size() >= 1) << qPrintable(symbols.join(u'\n'));
    }
    const VLException unraised(QStringLiteral("N"), QStringLiteral("R"));
    EXPECT_TRUE(unraised.callStackReturnAddresses().empty());
    EXPECT_THROW(unraised.raise(), platform::Exception);
}
