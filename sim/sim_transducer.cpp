#include "sim/sim_transducer.h"

#include "platform/error_text.h"
#include "protocol/frame.h"

#include <QFile>
#include <QStringEncoder>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tals {

namespace {

constexpr quint16 kFullAccessPassword = 24680;
constexpr quint16 kDeviceTypeCode = 20; // 0x14, the family code in address frames
constexpr int kSignalSamples = 2060;
constexpr int kSpectrumPoints = 512;
constexpr int kArrayStart = 10004;
constexpr double kMmPerBin = 60.0; // spectrum resolution of the simulated sweep
constexpr double kInf = std::numeric_limits<double>::infinity();

enum class TRegKind { Word, Signed, Single };

} // namespace

namespace {

// One holding register (or register pair) of the map with its range.
struct TDef
{
    int Reg;
    TRegKind Kind;
    double Default, Min, Max;
    bool Service; // refused without the password when that rule is on
};

// The transducer's holding registers with their values after a reset and
// the ranges the device accepts (the high-frequency limits where they differ).
const TDef kHolding[] = {
    {1000, TRegKind::Single, 30000, 0, 30000, false},       // Hmax
    {1002, TRegKind::Single, 30000, 0, 30000, false},       // Lmax (also <= Hmax)
    {1004, TRegKind::Single, 0, 0, 30000, false},           // LevelKalibr (also <= Lmax)
    {1006, TRegKind::Single, 1, 0.01, 1, false},            // KKalman
    {1008, TRegKind::Single, 0, 0, 99.999, false},          // Speed
    {1010, TRegKind::Word, 1, 0, 3, false},                 // CurrentOutput_Input
    {1011, TRegKind::Word, 2, 0, 2, false},                 // CurrentOutput_Range
    {1012, TRegKind::Word, 3, 0, 4, false},                 // CurrentOutput_ErrorValue
    {1160, TRegKind::Single, 0, 0, 99.999, false},          // Speed, second address
    {1162, TRegKind::Word, 0, 0, 2, false},                 // LevelState
    {2000, TRegKind::Word, 0, 0, 65535, false},             // Password
    {2001, TRegKind::Word, 0, 0, 6, false},                 // ControlCommand
    {2002, TRegKind::Word, 1234, 0, 65535, true},           // PlantNumber
    {2003, TRegKind::Word, 6, 0, 12, true},                 // mbBaudRate
    {2004, TRegKind::Word, 2, 0, 2, true},                  // mbParity
    {2005, TRegKind::Word, 1, 0, 1, true},                  // CalibrModeTals
    {2006, TRegKind::Single, 1, 0.1, 1.5, true},            // KrPer
    {2008, TRegKind::Single, 0.001, -10000, 10000, true},   // SmPer
    {3000, TRegKind::Word, 0, 0, 4, true},                  // PPMType
    {3001, TRegKind::Word, 0, 0, 65535, true},              // PPMNumber
    {3002, TRegKind::Word, 1, 0, 65535, true},              // ProgramType
    {3003, TRegKind::Word, 1, 0, 1, true},                  // WDActive
    {3004, TRegKind::Word, 1, 0, 1, true},                  // WDUpdate
    {3005, TRegKind::Word, 0, 0, 255, true},                // Amplification
    {3006, TRegKind::Word, 1, 0, 1, true},                  // AutoControlAmplification
    {3007, TRegKind::Word, 0, 0, 1, true},                  // ModulationType
    {3008, TRegKind::Word, 1024, 512, 2048, true},          // CountSteps
    {3009, TRegKind::Word, 0, 0, 10, true},                 // MDOS
    {3010, TRegKind::Word, 4093, 2, 4095, true},            // FracDS
    {3011, TRegKind::Word, 15, 0, 15, true},                // Izns
    {3012, TRegKind::Word, 189, 23, 4095, true},            // DSint
    {3013, TRegKind::Word, 0, 0, 65535, true},              // DSfrac
    {3014, TRegKind::Signed, 88, -32768, 32767, true},      // DSdelta
    {3015, TRegKind::Single, 8, 4, 25, true},               // FreqPeriod
    {3017, TRegKind::Single, 24, 0, kInf, true},            // FreqValue
    {3100, TRegKind::Word, 5, 5, 65535, true},              // CountSkip
    {3101, TRegKind::Word, 1, 1, 65535, true},              // IncreaseFreqStep
    {3102, TRegKind::Word, 0, 0, 1, true},                  // CountFixedFreqs
    {3103, TRegKind::Word, 0, 0, 1, true},                  // CountFreqs
    {3104, TRegKind::Word, 0, 0, 1, true},                  // WindowBlackmanEnabled
    {3105, TRegKind::Single, -0.00015, -2, 2, true},        // KrFChH
    {3107, TRegKind::Single, -2.75, -1000, 1000, true},     // SmFChH
    {3109, TRegKind::Single, 30000, 10, 30000, true},       // Radius
    {3111, TRegKind::Single, 9072, 9000, 27000, true},      // FreqNes
    {3113, TRegKind::Single, 1056.774048, 400, 3300, true}, // FreqDev
    {3115, TRegKind::Single, 2, 1.1, 100, true},            // ODPM
    {3117, TRegKind::Single, 8, 0, kInf, true},             // FreqBeg
    {3119, TRegKind::Word, 20, 20, 60, true},               // MUP
    {3120, TRegKind::Word, 10, 1, 100, true},               // CoundNOS
    {3121, TRegKind::Word, 10, 1, 100, true},               // CoundNRI
    {3122, TRegKind::Single, 22, -50, 300, true},           // RezTemperature
    {3124, TRegKind::Single, 101, 80, 2500, true},          // RezPressure
    {3126, TRegKind::Single, 1.00059, 1, 1.1, true},        // DPG
    {3128, TRegKind::Word, 1, 1, 5, true},                  // CountBadZones
    // 3129..3168: the five bad zones (near, far, fill, drain), added below
    {3200, TRegKind::Word, 0, 0, 1, true}, // SignalAccumulation
    {3201, TRegKind::Word, 2, 0, 2, true}, // WindowEnabled
    {3202, TRegKind::Word, 0, 0, 4, true}, // AlgoritmType
    {3203, TRegKind::Word, 0, 0, 1, true}, // AveragingResults
    {3204, TRegKind::Word, 0, 0, 1, true}, // MedianFilter
    {3205, TRegKind::Word, 1, 0, 1, true}, // ControlSpeed
    {3206, TRegKind::Word, 0, 0, 2, true}, // PredictionIntoBadZones
    {3207, TRegKind::Word, 1, 0, 1, true}, // ProcessingReflection
    {3208, TRegKind::Word, 1, 0, 1, true}, // TempAndPresCorrection
    {3209, TRegKind::Word, 0, 0, 1, true}, // MMPCorrection
    {3210, TRegKind::Word, 0, 0, 1, true}, // EmptyTraining
};

std::vector<TDef> BuildHoldingTable()
{
    std::vector<TDef> table(std::begin(kHolding), std::end(kHolding));
    for (int z = 0; z < 5; ++z) {
        table.push_back({3129 + 2 * z, TRegKind::Single, 0, 0, 45000, true});   // NearBound
        table.push_back({3139 + 2 * z, TRegKind::Single, 0, 0, 45000, true});   // FarBound
        table.push_back({3149 + 2 * z, TRegKind::Single, 100, 0, 10000, true}); // FillSpeed
        table.push_back({3159 + 2 * z, TRegKind::Single, 100, 0, 10000, true}); // DrainSpeed
    }
    return table;
}

const std::vector<TDef> &HoldingTable()
{
    static const std::vector<TDef> table = BuildHoldingTable();
    return table;
}

// The definition a register belongs to (either word of a pair), or null.
const TDef *FindDef(int reg, bool *lowHalf = nullptr)
{
    for (const TDef &d : HoldingTable()) {
        if (d.Reg == reg) {
            if (lowHalf)
                *lowHalf = false;
            return &d;
        }
        if (d.Kind == TRegKind::Single && d.Reg + 1 == reg) {
            if (lowHalf)
                *lowHalf = true;
            return &d;
        }
    }
    return nullptr;
}

quint32 FloatBits(float f)
{
    quint32 u;
    std::memcpy(&u, &f, 4);
    return u;
}

float BitsFloat(quint32 u)
{
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}

quint16 Word(const QByteArray &f, int i)
{
    return BytesToWord(ByteAt(f, i), ByteAt(f, i + 1));
}

void PutWord(QByteArray &f, quint16 w)
{
    AppendWord(f, w);
}

// The service protocol's parameter ids and the holding registers behind them.
int ParameterRegister(int id)
{
    switch (id) {
    case 0:
        return 2006; // KrPer
    case 1:
        return 2008; // SmPer
    case 2:
        return 1000; // Hmax
    case 3:
        return 1002; // Lmax
    case 4:
        return 1006; // KKalman
    case 6:
        return 1008; // Speed
    case 10:
        return 1004; // LevelKalibr
    case 60:
        return 3105; // KrFChH
    case 61:
        return 3107; // SmFChH
    case 62:
        return 3109; // Radius
    case 63:
        return 3111; // FreqNes
    case 64:
        return 3113; // FreqDev
    case 65:
        return 3115; // ODPM
    default:
        break;
    }
    if (id >= 20 && id < 25)
        return 3129 + 2 * (id - 20);
    if (id >= 30 && id < 35)
        return 3139 + 2 * (id - 30);
    if (id >= 40 && id < 45)
        return 3149 + 2 * (id - 40);
    if (id >= 50 && id < 55)
        return 3159 + 2 * (id - 50);
    return -1;
}

// The service protocol's setting ids and their word registers.
int SettingRegister(int id)
{
    switch (id) {
    case 0:
        return 2005; // CalibrModeTals
    case 4:
        return 3128; // CountBadZones
    case 6:
        return 3206; // PredictionIntoBadZones
    case 8:
        return 3119; // MUP
    default:
        return -1;
    }
}

double NowSeconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// The text in the device's code page (Windows-1251), exactly n bytes,
// blank-padded or cut.
QByteArray Field(const char *utf8, int n)
{
    QStringEncoder encoder("windows-1251");
    QByteArray t = QByteArray(encoder.encode(QString::fromUtf8(utf8))).left(n);
    while (t.size() < n)
        t.append(' ');
    return t;
}

} // namespace

TSimTransducer::TSimTransducer()
{
    for (const TDef &d : HoldingTable()) {
        if (d.Kind == TRegKind::Single)
            PutSingle(d.Reg, static_cast<float>(d.Default));
        else
            m_holding[d.Reg] = static_cast<quint16>(static_cast<int>(d.Default));
    }
    m_holding[2002] = m_plantNumber;
    m_startSeconds = NowSeconds();
    m_signal.assign(kSignalSamples, 0);
    m_spectrum.assign(kSpectrumPoints, 0.0f);
    m_residual.assign(kSpectrumPoints, 0.0f);
    m_training.resize(32 * 32);
    for (size_t i = 0; i < m_training.size(); ++i)
        m_training[i] = static_cast<quint8>((i * 37) & 0xFF);
}

TSimTransducer::~TSimTransducer()
{
    Stop();
}

bool TSimTransducer::Start(QString *error)
{
    if (IsRunning())
        return true;
    if (!m_pty.Open(error))
        return false;
    if (!MakeLink(error)) {
        m_pty.Close();
        return false;
    }
    return StartServing(error);
}

void TSimTransducer::SetLinkPath(const QString &path)
{
    std::lock_guard lock(m_mutex);
    m_linkPath = path;
}

QString TSimTransducer::LinkPath() const
{
    std::lock_guard lock(m_mutex);
    return m_linkPath;
}

bool TSimTransducer::MakeLink(QString *error)
{
    const QString link = LinkPath();
    if (link.isEmpty())
        return true;
    const QByteArray name = QFile::encodeName(link);
    ::unlink(name.constData());
    if (::symlink(QFile::encodeName(m_pty.SlavePath()).constData(), name.constData()) == 0)
        return true;
    if (error)
        *error = QStringLiteral("cannot create %1: %2").arg(link, SystemErrorText(errno));
    return false;
}

void TSimTransducer::RemoveLink()
{
    const QString link = LinkPath();
    if (!link.isEmpty() && m_pty.IsOpen())
        ::unlink(QFile::encodeName(link).constData());
}

void TSimTransducer::SetEchoRequest(bool on)
{
    m_echoRequest = on;
}

void TSimTransducer::CorruptNextEchoes(int count)
{
    m_corruptEchoes = std::max(0, count);
}

void TSimTransducer::Echo(int line, QByteArray bytes)
{
    if (!m_echoRequest || bytes.isEmpty())
        return;
    if (m_corruptEchoes > 0) {
        --m_corruptEchoes;
        bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x10);
    }
    const bool socket = line == m_connection;
    int sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n =
            socket ? ::send(line, bytes.constData() + sent, bytes.size() - sent, MSG_NOSIGNAL)
                   : ::write(line, bytes.constData() + sent, bytes.size() - sent);
        if (n > 0) {
            sent += static_cast<int>(n);
        } else if (n < 0 && errno == EAGAIN) {
            pollfd p{line, POLLOUT, 0};
            ::poll(&p, 1, 50);
        } else {
            break;
        }
    }
}

bool TSimTransducer::StartTcp(quint16 port, QString *error)
{
    if (IsRunning())
        return true;
    if (!m_listener.Open(port, error))
        return false;
    return StartServing(error);
}

bool TSimTransducer::StartServing(QString *error)
{
    if (::pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        if (error)
            *error = QStringLiteral("pipe: %1").arg(SystemErrorText(errno));
        m_pty.Close();
        m_listener.Close();
        return false;
    }
    m_stop = false;
    m_thread = std::thread([this] { Run(); });
    return true;
}

void TSimTransducer::Stop()
{
    if (m_thread.joinable()) {
        m_stop = true;
        const char c = 1;
        [[maybe_unused]] ssize_t n = ::write(m_wake[1], &c, 1);
        m_thread.join();
    }
    for (int &fd : m_wake) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
    CloseConnection();
    m_listener.Close();
    RemoveLink();
    m_pty.Close();
}

QString TSimTransducer::PortPath() const
{
    return m_listener.IsOpen() ? m_listener.PortName() : m_pty.SlavePath();
}

void TSimTransducer::DropConnection()
{
    m_drop = true;
    const char c = 1;
    [[maybe_unused]] ssize_t n = ::write(m_wake[1], &c, 1);
}

void TSimTransducer::AcceptConnection()
{
    const int fd = m_listener.Accept();
    if (fd < 0)
        return;
    CloseConnection();
    m_connection = fd;
}

void TSimTransducer::CloseConnection()
{
    if (m_connection >= 0)
        ::close(m_connection);
    m_connection = -1;
}

int TSimTransducer::LineFd() const
{
    return m_listener.IsOpen() ? m_connection : m_pty.MasterFd();
}

// ---- accessors ----

void TSimTransducer::SetAddress(quint8 address)
{
    std::lock_guard lock(m_mutex);
    m_address = address;
}

quint8 TSimTransducer::Address() const
{
    std::lock_guard lock(m_mutex);
    return m_address;
}

void TSimTransducer::SetDeviceCount(int count)
{
    std::lock_guard lock(m_mutex);
    const std::size_t others = static_cast<std::size_t>(std::max(1, count) - 1);
    while (m_others.size() > others)
        m_others.pop_back();
    while (m_others.size() < others) {
        const int i = static_cast<int>(m_others.size()) + 1;
        auto device = std::make_unique<TSimTransducer>();
        device->m_address = static_cast<quint8>((m_address - 1 + i) % 247 + 1);
        device->m_plantNumber = static_cast<quint16>(m_plantNumber + i);
        device->m_holding[2002] = device->m_plantNumber;
        device->m_softVersion = m_softVersion + i;
        device->m_hardVersion = m_hardVersion + i;
        device->m_meterPresent = false;
        m_others.push_back(std::move(device));
    }
}

int TSimTransducer::DeviceCount() const
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_others.size()) + 1;
}

TSimTransducer &TSimTransducer::Device(int index)
{
    std::lock_guard lock(m_mutex);
    if (index <= 0 || index > static_cast<int>(m_others.size()))
        return *this;
    return *m_others[static_cast<std::size_t>(index - 1)];
}

void TSimTransducer::SetBitRate(int bitsPerSecond)
{
    SetByteDelayMicroseconds(bitsPerSecond > 0 ? 11 * 1000000 / bitsPerSecond : 0);
}

void TSimTransducer::SetByteDelayMicroseconds(int us)
{
    std::lock_guard lock(m_mutex);
    m_byteDelayUs = std::max(0, us);
}

void TSimTransducer::SetBursts(int bytes, int gapMs)
{
    std::lock_guard lock(m_mutex);
    m_burstBytes = std::max(0, bytes);
    m_burstGapMs = std::max(0, gapMs);
}

int TSimTransducer::ByteDelayMicroseconds() const
{
    std::lock_guard lock(m_mutex);
    return m_byteDelayUs;
}

void TSimTransducer::InjectFault(TSimFault fault, int times)
{
    std::lock_guard lock(m_mutex);
    for (int i = 0; i < times; ++i)
        m_faults.push_back(fault);
}

void TSimTransducer::ClearFaults()
{
    std::lock_guard lock(m_mutex);
    m_faults.clear();
}

int TSimTransducer::PendingFaults() const
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_faults.size());
}

void TSimTransducer::SetStatusWord(quint16 word)
{
    std::lock_guard lock(m_mutex);
    m_statusWord = word;
}

quint16 TSimTransducer::HoldingRegister(int reg) const
{
    std::lock_guard lock(m_mutex);
    quint16 v = 0;
    ReadHoldingWord(reg, v);
    return v;
}

void TSimTransducer::SetHoldingRegister(int reg, quint16 value)
{
    std::lock_guard lock(m_mutex);
    m_holding[reg] = value;
    if (reg == 2002)
        m_plantNumber = value;
}

float TSimTransducer::HoldingSingle(int reg) const
{
    std::lock_guard lock(m_mutex);
    return SingleAt(reg);
}

void TSimTransducer::SetHoldingSingle(int reg, float value)
{
    std::lock_guard lock(m_mutex);
    PutSingle(reg, value);
}

quint16 TSimTransducer::InputRegister(int reg) const
{
    std::lock_guard lock(m_mutex);
    quint16 v = 0;
    // Reading the confirmation registers here must not count as a read.
    if (reg == 10000)
        return m_controlRequest;
    if (reg == 10001)
        return m_controlAnswer;
    ReadInputWord(reg, v);
    return v;
}

void TSimTransducer::SetPlantNumber(quint16 number)
{
    std::lock_guard lock(m_mutex);
    m_plantNumber = number;
    m_holding[2002] = number;
}

quint16 TSimTransducer::PlantNumber() const
{
    std::lock_guard lock(m_mutex);
    return m_plantNumber;
}

void TSimTransducer::SetSoftVersion(int version)
{
    std::lock_guard lock(m_mutex);
    m_softVersion = version;
}

void TSimTransducer::SetHardVersion(int version)
{
    std::lock_guard lock(m_mutex);
    m_hardVersion = version;
}

quint16 TSimTransducer::Password() const
{
    std::lock_guard lock(m_mutex);
    return m_holding.at(2000);
}

bool TSimTransducer::FullAccess() const
{
    return Password() == kFullAccessPassword;
}

void TSimTransducer::SetRequirePassword(bool on)
{
    std::lock_guard lock(m_mutex);
    m_requirePassword = on;
}

bool TSimTransducer::UpdateRequested() const
{
    std::lock_guard lock(m_mutex);
    return m_updateRequested;
}

void TSimTransducer::SetDistance(double mm)
{
    std::lock_guard lock(m_mutex);
    m_baseDistance = mm;
    m_moving = false;
}

void TSimTransducer::SetLevelMotion(bool moving)
{
    std::lock_guard lock(m_mutex);
    m_moving = moving;
}

double TSimTransducer::Distance() const
{
    std::lock_guard lock(m_mutex);
    return DistanceLocked();
}

double TSimTransducer::LevelBusy() const
{
    std::lock_guard lock(m_mutex);
    return LevelBusyLocked();
}

double TSimTransducer::Temperature() const
{
    std::lock_guard lock(m_mutex);
    return m_temperature;
}

void TSimTransducer::SetTemperature(double celsius)
{
    std::lock_guard lock(m_mutex);
    m_temperature = celsius;
}

void TSimTransducer::SetConfirmAfterReads(int reads)
{
    std::lock_guard lock(m_mutex);
    m_confirmAfter = std::max(1, reads);
}

quint16 TSimTransducer::ControlCommandRequest() const
{
    std::lock_guard lock(m_mutex);
    return m_controlRequest;
}

quint16 TSimTransducer::ControlCommandAnswer() const
{
    std::lock_guard lock(m_mutex);
    return m_controlAnswer;
}

std::vector<quint16> TSimTransducer::SignalArray() const
{
    std::lock_guard lock(m_mutex);
    return m_signal;
}

std::vector<float> TSimTransducer::SpectrumArray() const
{
    std::lock_guard lock(m_mutex);
    return m_spectrum;
}

void TSimTransducer::SetMeterPresent(bool present)
{
    std::lock_guard lock(m_mutex);
    m_meterPresent = present;
}

void TSimTransducer::SetMeterError(double gain, double offsetMilliamps)
{
    std::lock_guard lock(m_mutex);
    m_meterGain = gain;
    m_meterOffset = offsetMilliamps;
}

double TSimTransducer::LoopCurrent() const
{
    std::lock_guard lock(m_mutex);
    return LoopCurrentLocked();
}

double TSimTransducer::MeterCurrent() const
{
    std::lock_guard lock(m_mutex);
    return MeterCurrentLocked();
}

int TSimTransducer::RequestCount() const
{
    std::lock_guard lock(m_mutex);
    return m_requestCount;
}

int TSimTransducer::MeterRequestCount() const
{
    std::lock_guard lock(m_mutex);
    return m_meterRequestCount;
}

QList<QByteArray> TSimTransducer::Requests() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

void TSimTransducer::ClearRequests()
{
    std::lock_guard lock(m_mutex);
    m_requests.clear();
    m_requestCount = 0;
    m_meterRequestCount = 0;
}

// ---- the simulated process ----

double TSimTransducer::DistanceLocked() const
{
    if (!m_moving)
        return m_baseDistance;
    // A slow fill and drain around the base: +-1500 mm over two minutes.
    const double t = NowSeconds() - m_startSeconds;
    return std::max(0.0, m_baseDistance + 1500.0 * std::sin(2.0 * M_PI * t / 120.0));
}

double TSimTransducer::LevelBusyLocked() const
{
    return std::max(0.0, static_cast<double>(SingleAt(1000)) - DistanceLocked());
}

double TSimTransducer::LoopCurrentLocked() const
{
    const double hmax = SingleAt(1000);
    const double fraction = hmax > 0 ? std::clamp(LevelBusyLocked() / hmax, 0.0, 1.0) : 0.0;
    switch (m_holding.at(1011)) {
    case 0:
        return 5.0 * fraction;
    case 1:
        return 20.0 * fraction;
    default:
        return 4.0 + 16.0 * fraction;
    }
}

double TSimTransducer::MeterCurrentLocked() const
{
    const double reading = LoopCurrentLocked() * (1.0 + m_meterGain) + m_meterOffset;
    return std::round(reading * 100.0) / 100.0;
}

float TSimTransducer::SingleAt(int reg) const
{
    const auto hi = m_holding.find(reg);
    const auto lo = m_holding.find(reg + 1);
    const quint32 bits = (quint32(hi == m_holding.end() ? 0 : hi->second) << 16) |
                         (lo == m_holding.end() ? 0 : lo->second);
    return BitsFloat(bits);
}

void TSimTransducer::PutSingle(int reg, float value)
{
    const quint32 bits = FloatBits(value);
    m_holding[reg] = static_cast<quint16>(bits >> 16);
    m_holding[reg + 1] = static_cast<quint16>(bits & 0xFFFF);
}

void TSimTransducer::Run()
{
    QByteArray buffer;
    auto lastByte = std::chrono::steady_clock::now();
    while (!m_stop) {
        const int line = LineFd();
        pollfd fds[3] = {{line, POLLIN, 0}, {m_wake[0], POLLIN, 0}, {m_listener.Fd(), POLLIN, 0}};
        const int r = ::poll(fds, 3, buffer.isEmpty() ? 200 : 10);
        if (m_stop)
            break;
        if (r < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[1].revents & POLLIN) {
            char drain[16];
            while (::read(m_wake[0], drain, sizeof drain) > 0) {
            }
        }
        if (m_drop.exchange(false)) {
            CloseConnection();
            buffer.clear();
            continue;
        }
        if (fds[2].revents & POLLIN) {
            AcceptConnection(); // a new master: what the old one left is dropped
            buffer.clear();
            continue;
        }
        if (line >= 0 && (fds[0].revents & (POLLIN | POLLHUP | POLLERR))) {
            char chunk[512];
            const ssize_t n = ::read(line, chunk, sizeof chunk);
            if (n > 0) {
                buffer.append(chunk, static_cast<int>(n));
                lastByte = std::chrono::steady_clock::now();
                Echo(line, QByteArray(chunk, static_cast<int>(n)));
            } else if (line == m_connection && (n == 0 || (errno != EAGAIN && errno != EINTR))) {
                CloseConnection(); // the master went away
                buffer.clear();
            }
        }
        for (;;) {
            const int length = CompleteFrameLength(buffer);
            if (length <= 0)
                break;
            const QByteArray frame = buffer.left(length);
            buffer.remove(0, length);
            HandleFrame(frame);
        }
        // An incomplete or corrupt frame followed by silence is dropped, as a
        // Modbus device waits for the line to go quiet before the next frame.
        if (!buffer.isEmpty() &&
            std::chrono::steady_clock::now() - lastByte > std::chrono::milliseconds(30))
            buffer.clear();
    }
}

int TSimTransducer::CompleteFrameLength(const QByteArray &buffer) const
{
    // The meter's fixed request (CRC-8).
    if (buffer.size() >= 5 && ByteAt(buffer, 0) == 0x01 && ByteAt(buffer, 1) == 0x00 &&
        ByteAt(buffer, 2) == 0x01 && ByteAt(buffer, 3) == 0x00 && CheckCrc8Frame(buffer.left(5)))
        return 5;
    if (buffer.size() < 4)
        return 0;
    // The length follows from the function byte (a bare CRC search is not
    // enough: a frame ending in zero bytes can have a prefix whose CRC checks).
    std::vector<int> candidates;
    switch (ByteAt(buffer, 1)) {
    case 0x03:
    case 0x04:
    case 0x06:
        candidates = {8};
        break;
    case 0x10: // function 16, or the service echo A 10 03 AA 55
        if (ByteAt(buffer, 2) == 0x03 && ByteAt(buffer, 3) == 0xAA)
            candidates = {7};
        else if (buffer.size() >= 7)
            candidates = {9 + ByteAt(buffer, 6)};
        break;
    case 0x2B:
        candidates = {7};
        break;
    case 0x01:
    case 0x02:
    case 0x20:
    case 0x25:
    case 0x30:
    case 0xA2:
    case 0xA8:
    case 0xB1:
    case 0xB2:
    case 0xB3:
    case 0xB4:
    case 0xB5:
    case 0xB6:
        candidates = {ByteAt(buffer, 2) + 4}; // address, function, length byte, data, CRC
        break;
    default: { // unknown function: the shortest prefix whose CRC checks
        const int limit = std::min<int>(buffer.size(), 260);
        for (int length = 4; length <= limit; ++length)
            if (CheckCrc16Frame(buffer.left(length)))
                return length;
        return 0;
    }
    }
    for (int length : candidates)
        if (length <= buffer.size() && CheckCrc16Frame(buffer.left(length)))
            return length;
    return 0; // incomplete, or corrupt and dropped after the gap
}

void TSimTransducer::HandleFrame(const QByteArray &frame)
{
    const bool meter = frame.size() == 5 && ByteAt(frame, 1) == 0x00 && CheckCrc8Frame(frame);
    TReply reply;
    {
        std::lock_guard lock(m_mutex);
        m_requests.append(frame);
        if (meter) {
            ++m_meterRequestCount;
            if (!m_meterPresent)
                return;
            reply.Send = true;
            if (!m_faults.empty()) {
                reply.Fault = m_faults.front();
                m_faults.pop_front();
                reply.HasFault = true;
            }
            if (reply.HasFault && reply.Fault.Kind == TSimFaultKind::Silence)
                return;
            if (reply.HasFault && reply.Fault.Kind == TSimFaultKind::ErrorAnswer) {
                reply.Answer = ErrorAnswerFrame(
                    static_cast<quint8>(reply.Fault.Value ? reply.Fault.Value : 1));
                reply.Answer.append('\0'); // six bytes with its one-byte checksum as well
            } else {
                reply.Answer = MeterAnswer();
            }
        } else {
            // Every device on the line sees the frame; at most the addressed one answers.
            reply = Respond(frame);
            for (const auto &other : m_others) {
                TReply r = other->Serve(frame);
                if (!reply.Send)
                    reply = std::move(r);
            }
        }
    }
    if (reply.Send)
        Send(reply.Answer, reply.HasFault ? &reply.Fault : nullptr, meter);
}

TSimTransducer::TReply TSimTransducer::Serve(const QByteArray &frame)
{
    std::lock_guard lock(m_mutex);
    const quint8 address = ByteAt(frame, 0);
    if (address == m_address || address == 0)
        m_requests.append(frame);
    return Respond(frame);
}

TSimTransducer::TReply TSimTransducer::Respond(const QByteArray &frame)
{
    TReply reply;
    const quint8 address = ByteAt(frame, 0);
    if (address != m_address && address != 0)
        return reply; // another device on the line
    ++m_requestCount;
    const bool broadcast = address == 0;
    if (!broadcast && !m_faults.empty()) {
        reply.Fault = m_faults.front();
        m_faults.pop_front();
        reply.HasFault = true;
    }
    const TSimFault &fault = reply.Fault;
    if (reply.HasFault && fault.Kind == TSimFaultKind::Silence)
        return reply;
    bool silent = false;
    if (reply.HasFault && fault.Kind == TSimFaultKind::Exception) {
        reply.Answer = Exception(ByteAt(frame, 1), static_cast<quint8>(fault.Value));
    } else if (reply.HasFault && fault.Kind == TSimFaultKind::ErrorAnswer) {
        reply.Answer = ErrorAnswerFrame(static_cast<quint8>(fault.Value ? fault.Value : 1));
    } else if (reply.HasFault && fault.Kind == TSimFaultKind::StatusWord) {
        const quint16 saved = m_statusWord;
        m_statusWord = static_cast<quint16>(fault.Value);
        reply.Answer = Answer(frame, silent);
        m_statusWord = saved;
    } else {
        reply.Answer = Answer(frame, silent);
    }
    reply.Send = !broadcast && !silent;
    return reply;
}

void TSimTransducer::Send(QByteArray answer, const TSimFault *fault, bool crc8)
{
    answer = crc8 ? AppendCrc8(answer) : AppendCrc16(answer);
    int gapMs = 0;
    if (fault) {
        switch (fault->Kind) {
        case TSimFaultKind::BadCrc:
            answer[answer.size() - 1] = static_cast<char>(~ByteAt(answer, answer.size() - 1));
            break;
        case TSimFaultKind::Truncate:
            answer.truncate(std::max(0, fault->Value));
            break;
        case TSimFaultKind::Overlong:
            for (int i = answer.size(); i < fault->Value; ++i)
                answer.append(static_cast<char>(i & 0xFF));
            break;
        case TSimFaultKind::ByteGaps:
            gapMs = fault->Value;
            break;
        default:
            break;
        }
    }
    int delayUs = 0, burstBytes = 0, burstGapMs = 0;
    {
        std::lock_guard lock(m_mutex);
        delayUs = m_byteDelayUs;
        burstBytes = gapMs > 0 ? 0 : m_burstBytes; // injected gaps go byte by byte
        burstGapMs = m_burstGapMs;
    }
    const int line = LineFd();
    if (line < 0)
        return; // the master has gone
    const bool socket = line == m_connection;
    using namespace std::chrono;
    const auto start = steady_clock::now();
    int sent = 0;
    while (sent < answer.size() && !m_stop) {
        int chunk = answer.size() - sent;
        if (burstBytes > 0) {
            // A burst leaves once its last byte is through the wire and the
            // adapter's timer has run out for each burst before it.
            chunk = std::min(chunk, burstBytes - sent % burstBytes);
            const auto due = start + microseconds(static_cast<long>(sent + chunk) * delayUs) +
                             milliseconds(static_cast<long>(sent / burstBytes) * burstGapMs);
            std::this_thread::sleep_until(due);
        } else if (delayUs > 0 || gapMs > 0) {
            // One byte at a time, each at its own moment on the emulated wire.
            const auto due = start + microseconds(static_cast<long>(sent) * delayUs) +
                             milliseconds(static_cast<long>(sent) * gapMs);
            std::this_thread::sleep_until(due);
            chunk = 1;
        }
        // A master that has gone must not raise SIGPIPE in the simulator.
        const ssize_t n = socket ? ::send(line, answer.constData() + sent, chunk, MSG_NOSIGNAL)
                                 : ::write(line, answer.constData() + sent, chunk);
        if (n > 0) {
            sent += static_cast<int>(n);
        } else if (n < 0 && errno == EAGAIN) {
            pollfd p{line, POLLOUT, 0};
            ::poll(&p, 1, 50);
        } else {
            break;
        }
    }
}

QByteArray TSimTransducer::Exception(quint8 function, quint8 code) const
{
    QByteArray a;
    a.append(static_cast<char>(m_address));
    a.append(static_cast<char>(function | 0x80));
    a.append(static_cast<char>(code));
    return a;
}

QByteArray TSimTransducer::ErrorAnswerFrame(quint8 code) const
{
    // Six bytes with the checksum: address, 0xFA, the error code, 0.
    QByteArray a;
    a.append(static_cast<char>(m_address));
    a.append(static_cast<char>(0xFA));
    a.append(static_cast<char>(code));
    a.append('\0');
    return a;
}

QByteArray TSimTransducer::Answer(const QByteArray &f, bool &silent)
{
    const quint8 function = ByteAt(f, 1);
    const bool broadcast = ByteAt(f, 0) == 0;
    if (broadcast) {
        if (function == 0x10)
            WriteMultiple(f, true);
        silent = true;
        return {};
    }
    switch (function) {
    case 0x03:
        return ReadHolding(f);
    case 0x04:
        return ReadInput(f);
    case 0x06:
        return WriteSingle(f);
    case 0x10:
        // Function 16 and the service echo share the byte: the echo is a 7-byte frame.
        if (f.size() == 7 && ByteAt(f, 2) == 0x03)
            return Service(f);
        return WriteMultiple(f, false);
    case 0x2B:
        return Identification(f);
    case 0x01:
    case 0x02:
    case 0x20:
    case 0x25:
    case 0x30:
    case 0xA2:
    case 0xA8:
    case 0xB1:
    case 0xB2:
    case 0xB3:
    case 0xB4:
    case 0xB5:
    case 0xB6:
        return Service(f);
    default:
        return Exception(function, 1);
    }
}

bool TSimTransducer::ReadHoldingWord(int reg, quint16 &value) const
{
    // Registers 0 to 5: device family, plant number, address, program update.
    switch (reg) {
    case 0:
        value = kDeviceTypeCode;
        return true;
    case 1:
        value = m_plantNumber;
        return true;
    case 2:
        value = m_address;
        return true;
    case 3:
    case 4:
    case 5:
        value = 0;
        return true;
    default:
        break;
    }
    if (!FindDef(reg))
        return false;
    if (reg == 1160 || reg == 1161) {
        // The second address of the speed reads as the first.
        value = m_holding.at(reg - 152);
        return true;
    }
    value = m_holding.at(reg);
    return true;
}

QByteArray TSimTransducer::ReadHolding(const QByteArray &f)
{
    if (f.size() != 8)
        return Exception(0x03, 3);
    const int start = Word(f, 2);
    const int count = Word(f, 4);
    if (count < 1 || count > 125)
        return Exception(0x03, 3);
    QByteArray a;
    a.append(static_cast<char>(m_address));
    a.append('\x03');
    a.append(static_cast<char>(2 * count));
    for (int r = start; r < start + count; ++r) {
        quint16 v = 0;
        if (!ReadHoldingWord(r, v))
            return Exception(0x03, 2);
        PutWord(a, v);
    }
    return a;
}

bool TSimTransducer::ReadInputWord(int reg, quint16 &value) const
{
    auto single = [](float v, bool low) {
        const quint32 b = FloatBits(v);
        return static_cast<quint16>(low ? b & 0xFFFF : b >> 16);
    };
    const double distance = DistanceLocked();
    const double busy = LevelBusyLocked();
    const double free = std::max(0.0, static_cast<double>(SingleAt(1002)) - busy);
    if (reg >= 0 && reg <= 14) {
        switch (reg) {
        case 0:
            value = m_statusWord;
            break;
        case 1:
        case 2:
            value = single(static_cast<float>(distance), reg == 2);
            break;
        case 3:
        case 4:
            value = single(static_cast<float>(free), reg == 4);
            break;
        case 5:
        case 6:
            value = single(static_cast<float>(busy), reg == 6);
            break;
        case 13:
        case 14:
            value = single(static_cast<float>(m_temperature), reg == 14);
            break;
        default:
            value = 0;
        }
        return true;
    }
    if (reg >= 3000 && reg <= 3034) {
        // The information block: layout of the holding map, the synthesizer's
        // clocks, time counters and the test distances.
        static const quint16 layout[14] = {1000, 13, 2000, 10, 3000, 19,   13,
                                           10,   10, 19,   28, 11,   3200, 11};
        const quint32 sclk = 100000000;
        const qint64 stamp = 0x0000000065F1A2B3LL;
        const qint64 used = 86400LL * 42;
        const double test = distance + 0.4 * std::sin(NowSeconds());
        switch (reg) {
        case 3014:
            value = static_cast<quint16>(sclk >> 16);
            break;
        case 3015:
            value = static_cast<quint16>(sclk & 0xFFFF);
            break;
        case 3016:
            value = 4;
            break;
        case 3017:
            value = 8;
            break;
        case 3018:
            value = kSignalSamples;
            break;
        case 3019:
            value = 2 * kSpectrumPoints;
            break;
        case 3020:
            value = 100;
            break;
        case 3021:
        case 3022:
            value = single(24.125f, reg == 3022);
            break;
        case 3031:
        case 3032:
            value = single(static_cast<float>(test), reg == 3032);
            break;
        case 3033:
        case 3034:
            value = single(static_cast<float>(distance), reg == 3034);
            break;
        default:
            if (reg < 3014)
                value = layout[reg - 3000];
            else if (reg >= 3023 && reg <= 3026)
                value = static_cast<quint16>(stamp >> (16 * (3026 - reg)));
            else
                value = static_cast<quint16>(used >> (16 * (3030 - reg)));
        }
        return true;
    }
    if (reg == 10000) {
        value = m_controlRequest;
        return true;
    }
    if (reg == 10001) {
        value = m_controlAnswer;
        return true;
    }
    if (reg >= kArrayStart) {
        const int i = reg - kArrayStart;
        if (m_controlAnswer == 1 && i < kSignalSamples) {
            value = m_signal[i];
            return true;
        }
        if ((m_controlAnswer == 2 || m_controlAnswer == 4) && i < 2 * kSpectrumPoints) {
            const auto &array = m_controlAnswer == 2 ? m_spectrum : m_residual;
            value = single(array[i / 2], i % 2 == 1);
            return true;
        }
    }
    return false;
}

QByteArray TSimTransducer::ReadInput(const QByteArray &f)
{
    if (f.size() != 8)
        return Exception(0x04, 3);
    const int start = Word(f, 2);
    const int count = Word(f, 4);
    if (count < 1 || count > 125)
        return Exception(0x04, 3);
    // A read that covers the confirmation registers counts towards the confirmation.
    if (start <= 10001 && start + count > 10000 && m_controlAnswer != m_controlRequest) {
        if (++m_controlReads >= m_confirmAfter) {
            m_controlAnswer = m_controlRequest;
            TakeArraySnapshot(m_controlAnswer);
        }
    }
    QByteArray a;
    a.append(static_cast<char>(m_address));
    a.append('\x04');
    a.append(static_cast<char>(2 * count));
    for (int r = start; r < start + count; ++r) {
        quint16 v = 0;
        if (!ReadInputWord(r, v))
            return Exception(0x04, 2);
        PutWord(a, v);
    }
    return a;
}

void TSimTransducer::ControlCommandWritten(quint16 value)
{
    m_controlRequest = value;
    m_controlAnswer = 0;
    m_controlReads = 0;
}

void TSimTransducer::TakeArraySnapshot(quint16 kind)
{
    auto noise = [this] {
        m_noise = m_noise * 1103515245u + 12345u;
        return static_cast<double>((m_noise >> 16) & 0x7FFF) / 32767.0 - 0.5;
    };
    const double bin = DistanceLocked() / kMmPerBin;
    if (kind == 1) {
        // The beat signal of the sweep: its frequency grows with the distance;
        // a Hann-shaped envelope as the receiver's window leaves it.
        for (int n = 0; n < kSignalSamples; ++n) {
            const double envelope = 0.6 + 0.4 * std::sin(M_PI * n / (kSignalSamples - 1));
            const double s = std::sin(2.0 * M_PI * bin * n / (2.0 * kSpectrumPoints));
            m_signal[n] = static_cast<quint16>(
                std::clamp(2048.0 + 1500.0 * envelope * s + 12.0 * noise(), 0.0, 4095.0));
        }
    } else if (kind == 2 || kind == 4) {
        auto &array = kind == 2 ? m_spectrum : m_residual;
        const double height = kind == 2 ? 1000.0 : 40.0;
        for (int k = 0; k < kSpectrumPoints; ++k) {
            const double d = (k - bin) / 1.5;
            array[k] = static_cast<float>(height * std::exp(-0.5 * d * d) + 2.0 + noise());
        }
    }
}

int TSimTransducer::StoreHolding(int start, const std::vector<quint16> &values)
{
    std::map<int, quint16> next = m_holding;
    const int count = static_cast<int>(values.size());
    bool control = false;
    for (int i = 0; i < count; ++i) {
        const int reg = start + i;
        const TDef *d = FindDef(reg);
        if (!d)
            return 2;
        if (d->Service && m_requirePassword && m_holding.at(2000) != kFullAccessPassword)
            return 1;
        if (reg == 1160 || reg == 1161)
            next[reg - 152] = values[i];
        next[reg] = values[i];
        control = control || reg == 2001;
    }
    // Range check of every touched definition with the new words.
    auto single = [&next](int reg) {
        return static_cast<double>(BitsFloat((quint32(next[reg]) << 16) | next[reg + 1]));
    };
    for (int i = 0; i < count; ++i) {
        const TDef *d = FindDef(start + i);
        double v = 0;
        switch (d->Kind) {
        case TRegKind::Word:
            v = next[d->Reg];
            break;
        case TRegKind::Signed:
            v = static_cast<qint16>(next[d->Reg]);
            break;
        case TRegKind::Single:
            v = single(d->Reg);
            if (std::isnan(v))
                return 3;
            break;
        }
        if (v < d->Min || v > d->Max)
            return 3;
        if (d->Reg == 1002 && v > single(1000))
            return 3; // Lmax above Hmax
        if (d->Reg == 1004 && v > single(1002))
            return 3; // calibration level above Lmax
    }
    m_holding = next;
    m_plantNumber = m_holding[2002];
    if (control)
        ControlCommandWritten(m_holding[2001]);
    return 0;
}

QByteArray TSimTransducer::WriteSingle(const QByteArray &f)
{
    if (f.size() != 8)
        return Exception(0x06, 3);
    const int reg = Word(f, 2);
    const int code = StoreHolding(reg, {Word(f, 4)});
    if (code)
        return Exception(0x06, static_cast<quint8>(code));
    return f.left(6);
}

QByteArray TSimTransducer::WriteMultiple(const QByteArray &f, bool broadcast)
{
    if (f.size() < 9)
        return Exception(0x10, 3);
    const int start = Word(f, 2);
    const int count = Word(f, 4);
    const int bytes = ByteAt(f, 6);
    if (count < 1 || count > 123 || bytes != 2 * count || f.size() != 9 + bytes)
        return Exception(0x10, 3);
    std::vector<quint16> values;
    for (int i = 0; i < count; ++i)
        values.push_back(Word(f, 7 + 2 * i));
    QByteArray echo = f.left(6);
    // The address frame (registers 0 to 2: family code, plant number, new
    // address) is obeyed only by the device with that plant number.
    if (start == 0 && count == 3) {
        if (values[0] == kDeviceTypeCode && values[1] == m_plantNumber && (values[2] & 0xFF) != 0)
            m_address = static_cast<quint8>(values[2] & 0xFF);
        return broadcast ? QByteArray() : echo;
    }
    if (broadcast)
        return {};
    // The program-update start (registers 3 to 5: family, plant number, 3C3C).
    if (start == 3 && count == 3) {
        if (values[0] != kDeviceTypeCode || values[1] != m_plantNumber || values[2] != 0x3C3C)
            return Exception(0x10, 3);
        m_updateRequested = true;
        return echo;
    }
    const int code = StoreHolding(start, values);
    if (code)
        return Exception(0x10, static_cast<quint8>(code));
    return echo;
}

QByteArray TSimTransducer::Identification(const QByteArray &f)
{
    if (f.size() != 7 || ByteAt(f, 2) != 0x0E)
        return Exception(0x2B, 1);
    const quint8 readCode = ByteAt(f, 3);
    // Objects are laid out so that each text lands at the byte position the
    // program reads it from: id, length, text, one after the other.
    struct TObject
    {
        quint8 id;
        QByteArray text;
    };
    std::vector<TObject> objects;
    const QByteArray plant = QByteArray::number(m_plantNumber).rightJustified(5, '0').right(5);
    const QByteArray hard = QByteArray::number(m_hardVersion).rightJustified(3, '0').right(3);
    const QByteArray soft = QByteArray::number(m_softVersion).rightJustified(3, '0').right(3);
    switch (readCode) {
    case 1: // basic: manufactured, plant number, vendor, hardware, product, software
        objects = {{0x00, Field("10.12.26", 9)},  {0x01, plant},
                   {0x02, Field("TALS35XI", 11)}, {0x03, hard},
                   {0x04, Field("TALS352I", 10)}, {0x05, soft}};
        break;
    case 2: // regular: site, device, device name
        objects = {{0x03, Field("Резервуар 1", 16)},
                   {0x04, Field("Уровнемер", 10)},
                   {0x05, Field("ТАЛС352И", 8)}};
        break;
    case 3: // extended: model, device type code, calibration, checksum
        objects = {{0x80, Field("ТАЛС35xИ-352", 13)},
                   {0x81, QByteArray::number(kDeviceTypeCode)},
                   {0x82, Field("K2026", 6)},
                   {0x83, QByteArray("3A7F19")}};
        break;
    default:
        return Exception(0x2B, 3);
    }
    QByteArray a;
    a.append(static_cast<char>(m_address));
    a.append('\x2B');
    a.append('\x0E');
    a.append(static_cast<char>(readCode));
    a.append(static_cast<char>(readCode)); // conformity level
    a.append('\0');                        // no more follows
    a.append('\0');                        // next object id
    a.append(static_cast<char>(objects.size()));
    for (const TObject &o : objects) {
        a.append(static_cast<char>(o.id));
        a.append(static_cast<char>(o.text.size()));
        a.append(o.text);
    }
    return a;
}

QByteArray TSimTransducer::Service(const QByteArray &f)
{
    const quint8 function = ByteAt(f, 1);
    const int dataLength = f.size() - 2 - 3; // after address, function, length; before CRC
    auto head = [this, function](int dataBytes) {
        QByteArray a;
        a.append(static_cast<char>(m_address));
        a.append(static_cast<char>(function));
        a.append(static_cast<char>(1 + dataBytes));
        return a;
    };
    auto reading = [this](int n) -> float {
        const double d = DistanceLocked();
        switch (n) {
        case 0:
            return static_cast<float>(d);
        case 1:
            return static_cast<float>(std::max(0.0, SingleAt(1002) - LevelBusyLocked()));
        case 2:
            return static_cast<float>(LevelBusyLocked());
        case 3:
            return static_cast<float>(m_temperature);
        default:
            return static_cast<float>(d);
        }
    };
    const QByteArray body = f.mid(3, std::max(0, dataLength));
    switch (function) {
    case 0x01: { // one value: n, then the value
        if (body.size() != 1 || ByteAt(body, 0) > 5)
            return ErrorAnswerFrame(3);
        QByteArray a = head(5);
        a.append(body.at(0));
        AppendSingle(a, reading(ByteAt(body, 0)));
        return a;
    }
    case 0x02: { // all six values
        QByteArray a = head(24);
        for (int n = 0; n < 6; ++n)
            AppendSingle(a, reading(n));
        return a;
    }
    case 0x10: // echo
    case 0xB1: // mode start and end
    case 0xB4:
        return f.left(f.size() - 2);
    case 0x20: {
        QByteArray a = head(2);
        PutWord(a, m_statusWord);
        return a;
    }
    case 0xA2: {
        QByteArray a = head(2);
        a.append(static_cast<char>(m_hardVersion));
        a.append(static_cast<char>(m_softVersion));
        return a;
    }
    case 0x25: { // 14, plant number, new address
        if (body.size() != 4 || ByteAt(body, 0) != kDeviceTypeCode)
            return ErrorAnswerFrame(3);
        const QByteArray echo = f.left(f.size() - 2);
        if (Word(body, 1) == m_plantNumber && ByteAt(body, 3) != 0)
            m_address = ByteAt(body, 3);
        return echo;
    }
    case 0x30: // new plant number
        if (body.size() != 2)
            return ErrorAnswerFrame(3);
        m_plantNumber = Word(body, 0);
        m_holding[2002] = m_plantNumber;
        return f.left(f.size() - 2);
    case 0xA8: { // block of the training array: offset, byte count
        if (body.size() != 3)
            return ErrorAnswerFrame(3);
        const int offset = Word(body, 0);
        const int count = ByteAt(body, 2);
        if (offset + count > static_cast<int>(m_training.size()))
            return ErrorAnswerFrame(2);
        QByteArray a = head(2 + count);
        PutWord(a, static_cast<quint16>(offset));
        for (int i = 0; i < count; ++i)
            a.append(static_cast<char>(m_training[offset + i]));
        return a;
    }
    case 0xB2: { // write setting k [value]
        if (body.isEmpty())
            return ErrorAnswerFrame(3);
        const int reg = SettingRegister(ByteAt(body, 0));
        if (reg < 0)
            return ErrorAnswerFrame(2);
        if (body.size() == 3 && StoreHolding(reg, {Word(body, 1)}) != 0)
            return ErrorAnswerFrame(3);
        return f.left(f.size() - 2);
    }
    case 0xB3: { // write parameter id + single
        if (body.size() != 5)
            return ErrorAnswerFrame(3);
        const int reg = ParameterRegister(ByteAt(body, 0));
        if (reg < 0)
            return ErrorAnswerFrame(2);
        if (StoreHolding(reg, {Word(body, 1), Word(body, 3)}) != 0)
            return ErrorAnswerFrame(3);
        return f.left(f.size() - 2);
    }
    case 0xB5: { // read setting k
        const int reg = body.size() == 1 ? SettingRegister(ByteAt(body, 0)) : -1;
        if (reg < 0)
            return ErrorAnswerFrame(2);
        QByteArray a = head(3);
        a.append(body.at(0));
        PutWord(a, m_holding.at(reg));
        return a;
    }
    case 0xB6: { // read parameter id
        const int reg = body.size() == 1 ? ParameterRegister(ByteAt(body, 0)) : -1;
        if (reg < 0)
            return ErrorAnswerFrame(2);
        QByteArray a = head(5);
        a.append(body.at(0));
        AppendSingle(a, SingleAt(reg));
        return a;
    }
    default:
        return ErrorAnswerFrame(1);
    }
}

QByteArray TSimTransducer::MeterAnswer()
{
    // Address, command, data count, status, reserve, current in 1/100 mA
    // (signed, low byte first); the CRC-8 follows.
    const int hundredths = static_cast<int>(std::lround(MeterCurrentLocked() * 100.0));
    const quint16 raw = static_cast<quint16>(static_cast<qint16>(hundredths));
    QByteArray a;
    a.append('\x01');
    a.append('\x00');
    a.append('\x05');
    a.append('\x00');
    a.append('\x00');
    a.append(static_cast<char>(raw & 0xFF));
    a.append(static_cast<char>(raw >> 8));
    return a;
}

} // namespace tals
