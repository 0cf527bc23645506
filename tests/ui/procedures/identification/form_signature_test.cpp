// The identification window: its rows from the model's signature record, the
// program rows, and the device picture chosen by the device type.

#include "ui/procedures/identification/form_signature.h"

#include "tests/ui/procedures/simulated_program.h"
#include "ui/application/window_grab.h"
#include "ui/controls/device_picture.h"

#include <QImage>
#include <QLabel>

using namespace tals;

namespace {

QString Text(QWidget *window, const char *name)
{
    auto *label = window->findChild<QLabel *>(QLatin1String(name));
    return label ? label->text() : QStringLiteral("<none>");
}

TEST(DevicePicture, KindFollowsTheDeviceTypeNumber)
{
    const struct
    {
        const char *type;
        TDevicePictureKind kind;
    } cases[] = {
        {"20", TDevicePictureKind::Tals351},     {"020", TDevicePictureKind::Tals351},
        {"21", TDevicePictureKind::Tals352},     {" 21", TDevicePictureKind::Tals352},
        {"X", TDevicePictureKind::Placeholder},  {"", TDevicePictureKind::Placeholder},
        {"22", TDevicePictureKind::Placeholder}, {"0x14", TDevicePictureKind::Placeholder}};
    for (const auto &c : cases)
        EXPECT_EQ(DevicePictureKind(QLatin1String(c.type)), c.kind) << c.type;
}

TEST(DevicePicture, TheThreePicturesDiffer)
{
    auto render = [](TDevicePictureKind kind) {
        TDevicePicture picture;
        picture.resize(150, 240);
        picture.SetKind(kind);
        return picture.grab().toImage();
    };
    const QImage p351 = render(TDevicePictureKind::Tals351);
    const QImage p352 = render(TDevicePictureKind::Tals352);
    const QImage none = render(TDevicePictureKind::Placeholder);
    EXPECT_NE(p351, p352);
    EXPECT_NE(p351, none);
    EXPECT_NE(p352, none);
}

TEST(FormSignature, RowsAndPictureFromTheRecord)
{
    TTals35xISignature record;
    record.Device = QStringLiteral("Уровнемер");
    record.DeviceName = QStringLiteral("ТАЛС352И");
    record.DeviceType = QStringLiteral("21");
    record.PlantNumber = QStringLiteral("01234");
    record.HardVersion = QStringLiteral("002");
    record.SoftVersion = QStringLiteral("003");
    record.Manufactured = QStringLiteral("10.12.26");
    record.Site = QStringLiteral("Резервуар 1");
    record.KRSV = QStringLiteral("K2026");
    record.crc = QStringLiteral("3A7F19");
    TFormSignature form([&record] { return record; });
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Идентификационные данные прибора"));
    EXPECT_EQ(form.windowModality(), Qt::ApplicationModal);
    const char *const rows[][2] = {
        {"lblDevice", "Уровнемер"},      {"lblDeviceName", "ТАЛС352И"},
        {"lblDeviceType", "21"},         {"lblPlantNumber", "01234"},
        {"lblHardVersion", "002"},       {"lblSoftVersion", "003"},
        {"lblManufactured", "10.12.26"}, {"lblSite", "Резервуар 1"},
        {"lblProgramVersion", "003"},    {"lblProgramCrc", "3A7F19"},
    };
    for (const auto &row : rows)
        EXPECT_EQ(Text(&form, row[0]), QString::fromUtf8(row[1])) << row[0];
    EXPECT_EQ(Text(&form, "lblProgramName"), TFormSignature::ProgramDesignation());
    EXPECT_FALSE(TFormSignature::ProgramDesignation().isEmpty());
    EXPECT_EQ(form.Picture()->Kind(), TDevicePictureKind::Tals352);
    for (QLabel *label : form.findChildren<QLabel *>())
        EXPECT_NE(label->text(), QStringLiteral("K2026")) << "KRSV is not shown";

    record.DeviceType = QStringLiteral("020");
    form.Reopened();
    EXPECT_EQ(form.Picture()->Kind(), TDevicePictureKind::Tals351);
    record.DeviceType = QStringLiteral("X");
    form.Reopened();
    EXPECT_EQ(form.Picture()->Kind(), TDevicePictureKind::Placeholder);

    // Nothing read yet: empty rows and the placeholder.
    form.SetSignature({});
    EXPECT_EQ(Text(&form, "lblDevice"), QString());
    EXPECT_EQ(Text(&form, "lblProgramCrc"), QString());
    EXPECT_EQ(form.Picture()->Kind(), TDevicePictureKind::Placeholder);
}

using FormSignatureProgram = test::SimulatedProgram;

// "Считать сигнатуру" reads the three identification objects from the
// simulated transducer and opens the window with them.
TEST_F(FormSignatureProgram, SignatureReadOpensTheWindowWithTheDevicesData)
{
    Start({}, {15, 150});
    EXPECT_EQ(Open<TFormSignature>("actFormSignatureShow", "FormSignature")->Picture()->Kind(),
              TDevicePictureKind::Placeholder)
        << "before any read";
    window->Windows().Find(QStringLiteral("FormSignature"))->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    ASSERT_TRUE(window->ExecuteAction(QStringLiteral("actSignatureRead")));
    auto *form = qobject_cast<TFormSignature *>(window->Windows().Find("FormSignature"));
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();
    EXPECT_EQ(Text(form, "lblPlantNumber"), QStringLiteral("01234"));
    EXPECT_EQ(Text(form, "lblDeviceType"), QStringLiteral("20"));
    EXPECT_EQ(form->Picture()->Kind(), TDevicePictureKind::Tals351);
    EXPECT_FALSE(Text(form, "lblProgramCrc").isEmpty());
    EXPECT_TRUE(
        SaveWindowPicture(form, QStringLiteral(TALS_BINARY_DIR "/screenshots/FormSignature.png")));
}

} // namespace
