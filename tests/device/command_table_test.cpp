#include "device/command_table.h"
#include "device/reading_table.h"
#include "device/register_table.h"
#include "device/request_builder.h"

#include "tests/common/scripted_dialogs.h"

#include <gtest/gtest.h>

namespace tals {
namespace {

// Every request frame carries the function byte the catalogue names, and the
// register commands of the catalogue address the registers it names.
TEST(CommandTable, FramesFollowTheCatalogue)
{
    test::ScriptedDialogs dialogs; // command 165 warns before building
    TProgramModes modes;
    Ttals352 model(modes);
    model.ArrayBlockIndex = 1;
    for (int code = 0; code <= kLastCommandCode; ++code) {
        if (code == cmd::ReadArrayBlock)
            continue; // its frame depends on the answer to 77
        const Ttals352::TRequest request = BuildRequest(model, code);
        ASSERT_TRUE(request.Ok) << code;
        ASSERT_GE(request.Frame.size(), 2) << code;
        EXPECT_EQ(ByteAt(request.Frame, 1), RequestFunction(code)) << code;
        const TCommandInfo *c = FindCommand(code);
        if (c && c->Start >= 0 && c->Kind != TCommandKind::Identification &&
            c->Kind != TCommandKind::Service) {
            EXPECT_EQ(BytesToWord(ByteAt(request.Frame, 2), ByteAt(request.Frame, 3)), c->Start)
                << code;
        }
        if (c && (c->Kind == TCommandKind::ReadBlock || c->Kind == TCommandKind::ReadProperty)) {
            EXPECT_EQ(BytesToWord(ByteAt(request.Frame, 4), ByteAt(request.Frame, 5)), c->Count)
                << code;
        }
    }
    EXPECT_FALSE(BuildRequest(model, kNoRequestCode).Ok);
}

// The named single-property commands agree with the register table.
TEST(CommandTable, PropertyCommandsAgreeWithTheRegisterTable)
{
    for (const TCommandInfo &c : CommandTable()) {
        if (c.Kind == TCommandKind::ReadProperty) {
            const TPropertyInfo *p = FindPropertyByReadCode(c.First);
            ASSERT_NE(p, nullptr) << c.Name;
            EXPECT_EQ(p->Address, c.Start) << c.Name;
            EXPECT_EQ(p->Words(), c.Count) << c.Name;
        }
        if (c.Kind == TCommandKind::ReadBlock) {
            const TBlockInfo *b = FindBlockByReadCode(c.First);
            ASSERT_NE(b, nullptr) << c.Name;
            EXPECT_EQ(b->ReadStart, c.Start) << c.Name;
            EXPECT_EQ(b->ReadCount, c.Count) << c.Name;
        }
        if (c.Kind == TCommandKind::WriteBlock) {
            const TBlockInfo *b = FindBlockByWriteCode(c.First);
            ASSERT_NE(b, nullptr) << c.Name;
            EXPECT_EQ(b->WriteStart, c.Start) << c.Name;
        }
        EXPECT_EQ(FindCommandByName(c.Name), &c);
    }
    EXPECT_EQ(cmd::ReadReadings, 4);
    EXPECT_EQ(cmd::ReadTestDistances, 25);
    EXPECT_EQ(FindCommandByName("WriteHmax")->First, 83);
    EXPECT_EQ(FindCommandByName("NoSuchCommand"), nullptr);
}

// The readings sit where the catalogue's reads put them.
TEST(CommandTable, ReadingOffsetsFollowTheReads)
{
    for (const TReadingInfo &r : ReadingTable()) {
        if (r.Command == kMeterReadingCode)
            continue;
        const TCommandInfo *c = FindCommand(r.Command);
        ASSERT_NE(c, nullptr) << r.Name;
        EXPECT_EQ(ReadingOffset(r, c->Start, c->Count), r.Offset) << r.Name;
    }
    const TCommandInfo *info = FindCommand(cmd::ReadInformationRegisters);
    EXPECT_EQ(ReadingOffset(ReadingInfo(TReading::TestDistance), info->Start, info->Count), 65);
    EXPECT_EQ(ReadingOffset(ReadingInfo(TReading::Distance), info->Start, info->Count), -1);
}

} // namespace
} // namespace tals
