#include "support/RadioRig.h"

#include "app/frmCorvista.h"
#include "common/SharedState.h"
#include "platform/Clock.h"
#include "platform/SerialCommControl.h"

#include <algorithm>

RadioRig::RadioRig(double clockScale, const FakeRadio::Config &config)
    : m_env(std::make_unique<TestEnv>(clockScale)), m_pty(std::make_unique<PtyPort>()),
      m_radio(std::make_unique<FakeRadio>(config))
{
    m_ok = m_pty->open();
    if (m_ok) {
        qputenv("WAVECREST_COM1", m_pty->slavePath().toLocal8Bit());
        m_radio->attach(m_pty.get());
        if (qEnvironmentVariableIntValue("WAVECREST_TEST_UART_QUEUE") != 0)
            useUartQueue();
    }
}

void RadioRig::useUartQueue()
{
    PtyPort *pty = m_pty.get();
    CommFactory::setFactory([pty](QObject *parent) {
        auto control = std::make_unique<SerialCommControl>(parent);
        control->setOutputQueueSource(pty->queueSource());
        return control;
    });
}

RadioRig::~RadioRig()
{
    if (m_window) {
        m_window->quitOnUnload = false;
        shared().LogoutOnQuitPref = false;
        m_window->close();
    }
    m_window.reset();
    m_radio->detach();
    m_pty.reset();
    qunsetenv("WAVECREST_COM1");
}

frmCorvista &RadioRig::openWindow()
{
    m_window = std::make_unique<frmCorvista>();
    m_window->quitOnUnload = false;
    m_window->show();
    return *m_window;
}

bool RadioRig::settle()
{
    const qint64 limitMs = std::max<qint64>(2000, qint64(2000 / std::max(Clock::scale(), 1e-6)));
    const bool quiet = Clock::waitFor([this] { return m_pty->lineQuiet(); }, limitMs);
    Clock::doEvents();
    // Where a helper cannot fail the test itself, the log still says why what follows differs.
    if (!quiet)
        qWarning("the line was still busy after %lld ms: %d bytes on it", limitMs, m_pty->queuedBytes());
    return quiet;
}

QByteArray byteDifference(const QByteArray &got, const QByteArray &expected)
{
    if (got == expected)
        return {};
    qsizetype same = 0;
    while (same < got.size() && same < expected.size() && got[same] == expected[same])
        ++same;
    return "got " + QByteArray::number(got.size()) + " bytes, expected " + QByteArray::number(expected.size())
           + "; they part at byte " + QByteArray::number(same) + ".\ngot from there:      "
           + got.mid(same).toPercentEncoding(" >") + "\nexpected from there: " + expected.mid(same).toPercentEncoding(" >");
}
