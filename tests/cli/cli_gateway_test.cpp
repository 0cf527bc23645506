// tals35xi-cli through a network gateway: --port tcp://HOST:PORT with the
// simulated transducer served on 127.0.0.1, and a gateway that is not there.

#include "sim/sim_transducer.h"
#include "sim/tcp_listener.h"
#include "tests/cli/cli_fixture.h"

#include <gtest/gtest.h>

using namespace tals;
using namespace tals::test;

namespace {

class CliGatewayTest : public CliFixture
{
protected:
    CliGatewayTest()
    {
        EXPECT_TRUE(sim.StartTcp());
        sim.SetLevelMotion(false);
    }
    ~CliGatewayTest() override { sim.Stop(); }

    TSimTransducer sim;
};

} // namespace

TEST_F(CliGatewayTest, SetAndGetGoThroughTheGateway)
{
    TCliResult r = Run({QStringLiteral("--port"), sim.PortPath(), QStringLiteral("set"),
                        QStringLiteral("KKalman=0.25")});
    ASSERT_EQ(r.Status, 0) << r;
    EXPECT_EQ(sim.HoldingSingle(1006), 0.25f);
    r = Run({QStringLiteral("--port"), sim.PortPath(), QStringLiteral("get"),
             QStringLiteral("KKalman")});
    ASSERT_EQ(r.Status, 0) << r;
    EXPECT_EQ(r.Out, QStringLiteral("KKalman=0.25\n"));
}

TEST_F(CliGatewayTest, AGatewayThatRefusesEndsWithStatusOneAndSaysWhy)
{
    quint16 port = 0;
    {
        TTcpListener listener;
        ASSERT_TRUE(listener.Open(0));
        port = listener.Port();
    }
    const TCliResult r =
        Run({QStringLiteral("--port"), QStringLiteral("tcp://127.0.0.1:%1").arg(port),
             QStringLiteral("get"), QStringLiteral("Hmax")});
    EXPECT_EQ(r.Status, 1) << r;
    EXPECT_TRUE(r.Err.contains(QStringLiteral("отказал в соединении"))) << r;
}
