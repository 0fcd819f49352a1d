// The conventions every exchange with the radio follows, written once: how a command goes out,
// how a reply is waited for and recognised, the echo-off bracket, the write-access probe and the
// direct-read path of long command sequences.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

class CommControl;

namespace Prompt {
inline const QString Ready = QStringLiteral(">");
inline const QString Setup = QStringLiteral("SETUP>");
inline const QString Loader = QStringLiteral("LOADER>");
inline const QString More = QStringLiteral("MORE>");
inline const QString AreYouSure = QStringLiteral("ARE YOU SURE?");
} // namespace Prompt

namespace Reply {
inline const QString ProgrammedOk = QStringLiteral("PROGRAMMED OK");
inline const QString AccessDenied = QStringLiteral("ACCESS DENIED");
inline const QString Denied = QStringLiteral("DENIED");
inline const QString InvalidEntry = QStringLiteral("INVALID ENTRY");
inline const QString PasswordOk = QStringLiteral("PASSWORD OK");
inline const QString PasswordInvalid = QStringLiteral("PASSWORD INVALID");
inline const QString NotApplicable = QStringLiteral("n/a");
inline const QString ProgrammableOnly = QStringLiteral("PROGRAMMABLE ONLY");
inline const QString Closed = QStringLiteral("CLOSED");
inline const QString Rssi = QStringLiteral("RSSI");
inline const QString Dbm = QStringLiteral("dBm");
inline const QString TxTotal = QStringLiteral("TX TOTAL");
inline const QString RxTotal = QStringLiteral("RX TOTAL");
inline const QString RxError = QStringLiteral("RX ERROR");
} // namespace Reply

// The main window compares without regard to case; every other window exactly.
enum class CompareMode { IgnoreCase, Exact };

namespace Exchange {

constexpr char CR = '\r';
constexpr char LF = '\n';
constexpr char ESC = 27;

bool contains(const QString &haystack, const QString &needle, CompareMode mode);
bool endsWith(const QString &haystack, const QString &needle, CompareMode mode);
// 1-based position of needle in haystack, 0 when absent (the positions the cut rules count in).
int instr(const QString &haystack, const QString &needle, CompareMode mode);

// A command's bytes: its text and exactly one CR. A text the radio cannot take as one command
// (RadioCanTake) raises CommError 8091 instead: whatever the text's source, it is never written.
QByteArray commandBytes(const QString &text);
// A command: its text and exactly one CR, written in one piece (8091 as commandBytes).
void commandLine(CommControl &port, const QString &text);
// Raw bytes (wake-up bursts, the report's CR LF pairs, bytes commandBytes made).
void sendRaw(CommControl &port, const QByteArray &bytes);
// Keys typed or pasted into the terminal, one byte each as the keyboard gives them: Enter its CR,
// backspace, escape and the other control keys are the radio's own. A key outside Latin-1 raises
// CommError 8091 and nothing of the keys is written.
void typedKeys(CommControl &port, const QString &keys);

// Waits, handling events, until every expected text is in RxBuffer or the deadline passes.
// Returns true when all were found. RxBuffer is reset by the sender before it writes.
bool replyWait(const QStringList &expected, double seconds, CompareMode mode);

// Waits, handling events, until any one of the texts is in RxBuffer or the deadline passes.
bool replyWaitAny(const QStringList &anyOf, double seconds, CompareMode mode);

// Resets RxBuffer to one blank, sends the command and waits for the expected texts.
bool sendAndWait(CommControl &port, const QString &command, const QStringList &expected, double seconds,
                 CompareMode mode);

// Whether the radio echoes what it is sent, so that the answer to a command is found behind its
// echo: the one place that tells, for every answer cut. Inside the echo-off bracket it does not.
bool radioEchoes();

// Where the answer to command ends: the 1-based position of the first prompt behind the command's
// echo (its first occurrence), 0 while the echo or that prompt is missing. A reply to an earlier
// command that came after its wait stands in front of the echo, so its prompt does not end this
// answer. Without an echo (echoed false) the command's text anywhere and the first prompt count.
int answerEnd(const QString &rx, const QString &command, const QString &prompt, CompareMode mode,
              bool echoed = radioEchoes());

// How far a late reply in front of the echo of command has moved its answer on from where it
// stands in an RxBuffer reset to one blank: 0 when the echo follows the blank (or is missing), for
// the cuts that count fixed positions.
int lateReplyLength(const QString &rx, const QString &command, CompareMode mode);

// Waits, handling events, until the answer to command in RxBuffer has ended with the prompt
// (answerEnd) or the deadline passes. Returns true when it ended.
bool answerWait(const QString &command, const QString &prompt, double seconds, CompareMode mode);
// Resets RxBuffer to one blank, sends the command and waits for its answer (answerWait).
bool sendAndAwaitAnswer(CommControl &port, const QString &command, const QString &prompt, double seconds,
                        CompareMode mode);

// A command nobody judges: at most a fixed pause and one read that is thrown away.
void unawaitedCommand(CommControl &port, const QString &command, int pauseMs = 0, bool readAndDrop = false);

// The opening and closing halves of the echo-off bracket; SharedState::EchoOff follows them.
void echoOff(CommControl &port);
void echoOn(CommControl &port);
// Before a secret: opens the bracket again when something closed it meanwhile (another window's
// "eeco"), and waits for the radio's prompt to it, so the secret is never echoed.
void ensureEchoOff(CommControl &port);
// How long the radio is given to answer "deco" or "eeco" when its prompt is awaited.
constexpr double EchoPromptSeconds = 0.5;

enum class WriteAccess {
    Granted,
    Denied,     // the radio refused the write: not logged in
    NotProbed   // the box's text is not one command the radio can take (RadioCanTake): nothing was sent
};

// Writes back a setting the radio already has, inside "deco", and tells whether the radio refused
// it (not logged in). clearTerminal empties the terminal pane after the pump. The closing "eeco"
// is the caller's (it sends it before or after its own reaction) when the probe was sent. The text
// is the radio's own answer as a box shows it; one that held a further line would send that line
// as a command of its own, so then nothing at all is sent, not even "deco".
WriteAccess writeAccessProbe(CommControl &port, const QString &settingText, double seconds,
                             const std::function<void()> &clearTerminal);

// While one lives, an operation owns the link to the radio: nothing but its own code writes to
// the port (platform/LinkGate.h), the main timer sends nothing into its exchanges, and the
// keep-alive or read-out it held back goes out at the first tick after the last owner has gone.
// Owners nest (a preset save runs the report writer). A user action started while another
// operation holds the link is not granted it: the action must not go on.
class LinkOwnership
{
public:
    LinkOwnership();
    ~LinkOwnership();
    LinkOwnership(const LinkOwnership &) = delete;
    LinkOwnership &operator=(const LinkOwnership &) = delete;
    bool granted() const { return m_ticket != 0; }
    int ticket() const { return m_ticket; }

private:
    int m_ticket;
};

bool linkOwned();

// The direct-read path: while one lives, the receive event leaves the port's input to the
// procedure that reads it itself; every way out gives the input back to the receive event.
class DirectReadScope
{
public:
    DirectReadScope();
    ~DirectReadScope();
    DirectReadScope(const DirectReadScope &) = delete;
    DirectReadScope &operator=(const DirectReadScope &) = delete;
};

// The direct-read path's polled exchange: write the command (CR added), then collect the port's
// input into `collected` until it ends with the prompt or the port time-out fires.
struct PortTimeout
{
    // Arms the time-out. answered is the wait's last look: when the time runs out, it reads the
    // port and tells whether the answer came after all (while the program was not running), and
    // then the time-out does not fire.
    std::function<void(const std::function<bool()> &answered)> start;
    std::function<void()> stop;
    std::function<bool()> timedOut;
};

// Disarms the time-out on every way out of a wait (its last look reads the wait's own buffer).
class ArmedPortTimeout
{
public:
    ArmedPortTimeout(const PortTimeout &timeout, const std::function<bool()> &answered) : m_timeout(timeout)
    {
        m_timeout.start(answered);
    }
    ~ArmedPortTimeout() { m_timeout.stop(); }
    ArmedPortTimeout(const ArmedPortTimeout &) = delete;
    ArmedPortTimeout &operator=(const ArmedPortTimeout &) = delete;

private:
    const PortTimeout &m_timeout;
};

enum class PromptEnd {
    LastCharIsPrompt,   // the report writer: its last character is ">"
    CrLfPrompt          // the line sender: its last three characters are CR LF ">"
};

// Returns false when the time-out ended the wait.
bool polledPromptExchange(CommControl &port, const QByteArray &commandBytes, int pauseMs, PromptEnd end,
                          int pollPauseMs, const PortTimeout &timeout, QString &collected);

bool promptReached(const QString &collected, PromptEnd end);

} // namespace Exchange
