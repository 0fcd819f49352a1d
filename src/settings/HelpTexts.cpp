// The help texts of the setting labels, letter for letter as the radio's documentation gives
// them (its spelling and typographic quotes included).
#include "settings/HelpTexts.h"

#include "settings/RadioSettingCatalogue.h"

#include <QHash>

using namespace Qt::Literals::StringLiterals;

namespace {

const QHash<QString, HelpText> &fixedTexts()
{
    static const QHash<QString, HelpText> texts{
        {u"SnumLabel"_s,
         {u"Serial Number Information"_s,
          u"The SER command displays the factory programmed serial number.It is a numeric value with a maximum "
          u"of eight digits, leading 0's are assumed. The command interface is designed so that once a serial "
          u"number has been entered it can not be changed."_s}},
        {u"UnitLabel"_s,
         {u"Unit Address"_s,
          u"This command programs or displays the unit address of a radio. The unit address provides a facility "
          u"to uniquely identify a single radio within a network. It is meaningful primarily for diagnostic "
          u"purposes.\r\rBy default it is set to the last 4 digits of serial number. If re-programmed in the "
          u"field, the entry must consist of five digits between 10000 and 65000."_s}},
        {u"SrevLabel"_s,
         {u"Software Revision Information"_s,
          u"The Software Revision command (SREV) is used to display information about the currently running "
          u"Firmware.   The standard form of the command takes no arguments and returns the Release Number, "
          u"Revision, and Build Date of the MCU Firmware, as shown below:\r\r"
          u"17-2851A01\r1.2.0  ddMmmyyyy"_s}},
        {u"OwnLabel"_s,
         {u"Owner's Name Information"_s,
          u"The Owner's Name is a user programmable area up to 30 characters. This space can be used to identify "
          u"the radio's owner."_s}},
        {u"OwmLabel"_s,
         {u"Owner's Message Information"_s,
          u"The Owner's Message is a user programmable area up to 30 characters. This space can be used for "
          u"customer information that may be unique to the radio or site."_s}},
        {u"TempLabel"_s,
         {u"Temperature Information"_s,
          u"This command displays the internal temperature of the transceiver in degrees Celsius.\r"
          u"(Note that the radio is specified to operate in an environment between –30 C° and +60 C°).\r"
          u"This internal reading may be higher than the outside temperature by several degrees."_s}},
        {u"AlarmLabel"_s,
         {u"Alarm Information"_s,
          u"The ALARM and STAT commands provide information on alarm events currently active in the system. "
          u"ALARM provides a concise 'computer-friendly' response format. STAT provides a 'human friendly' interactive "
          u"format.\r\rALARM generates a fixed 2-line response. If an alarm does exist, a 8-digit (hex) alarm "
          u"code is displayed and the event is identified as a “Major” or “Minor” alarm. A brief description "
          u"of the event is also given.\r\r"_s}},
        {u"RmdLabel"_s,
         {u"Radio Mode"_s,
          u"The MODE command selects or displays the operating mode of the radio.  A Master radio is designated "
          u"by an 'M',  a remote is designated by an 'R', and an extension is designated by an 'X' (used in "
          u"Store & Forward mode). All units default to remotes."_s}},
        {u"DataBaudLabel"_s,
         {u"Data Baud Rate Information"_s,
          u"This command sets or displays the communication attributes for the DATA INTERFACE port. The command "
          u"has no effect on the RJ-11 DIAG(NOSTICS) port.\r\r"
          u"The first parameter (xxxxx) is baud rate. Baud rate is specified in bits-per-second and must be "
          u"one of the following speeds: 1200, 2400, 4800, 9600, 19200, 38400, 57600, or 115200. At baud rates "
          u"of 19200 bps or less, the radio can support unlimited continuous data transmission at any hop rate.\r\r"
          u"The second parameter of the BAUD command (abc) is a 3-character block indicating how the data is "
          u"encoded. The following is a breakdown of each character’s meaning:\r\r"
          u"    a = Data bits (7 or 8)\r    b = Parity (N for None, O for Odd, E for Even)\r"
          u"    c = Stop bits (1 or 2)\r\rThe factory default setting is 4800 baud, 8 data bits, no parity, "
          u"1 stop bit (Example: 4800 8N1)."_s}},
        {u"PortLabel"_s,
         {u"Port"_s,
          u"The PORT command is used to select the serial port interface of the payload data port (RS232 or "
          u"RS485). It is settable independently at each radio."_s}},
        {u"DevLabel"_s,
         {u"Device Type Information"_s,
          u"The DEVICE command controls or displays the device behavior of the radio. The command parameter "
          u"is a single keyword: 'DCE' or 'CTS KEY'. By default, the radio acts like a DCE.\r\r"
          u"If 'DCE' is selected, the radio will emulate DCE operation.  CTS will go high following RTS, subject "
          u"to the CTS programmable delay time. Keying is stimulated by the input of characters at the data "
          u"port.  Hardware flow control is implemented by dropping the CTS line if data arrives faster than "
          u"it can be transmitted.\r\rIf 'CTS KEY' operation is selected, the radio is assumed to be controlling "
          u"another radio. The RTS line is ignored. The CTS line is employed as a key line control for the other "
          u"radio. CTS is asserted immediately following the receipt of RF data, but data will not be sent out "
          u"the data port until sometime after the CTS programmable delay time has expired. (This gives the "
          u"other radio time to key-up)"_s}},
        {u"CTSDelayLabel"_s,
         {u"CTS Delay Information"_s,
          u"The Clear-To-Send (CTS) output is dependent on device mode.\r\r"
          u"When device is set for 'DCE' operation, the system emulates a normal CTS function and drives the "
          u"CTS line based on the RTS input. When the RTS line goes high, the system delays for the duration "
          u"of the CTS timer and then drives the CTS line high. The CTS line goes low immediately whenever RTS "
          u"goes low. The output state of the CTS line is further qualified by internal flow control mechanisms. "
          u"If data arrives over the DB-9 faster than it can be transmitted, the CTS line is driven low to signal "
          u"the RTU to stop sending data while the radio catches up.\r\r"
          u"When device behavior is set for 'CTS KEY' operation the CTS line becomes a key-line control to another "
          u"radio.\r\rProgram CTS delay from 0-255msec. (a value of 0 keeps CTS normally asserted)"_s}},
        {u"CTSHoldLabel"_s,
         {u"CTSHOLD Delay Information"_s,
          u"The CTSHOLD command selects or displays the timer value associated with the end of a CTS line response, "
          u"when the radio is operating in DEVICE CTS KEY mode.  The timer specifies how long CTS should remain "
          u"present following transmission of the last character out the RXD pin of the DB-9 port.  The command "
          u"parameter is in milliseconds and  can range from 0 to 6000 (i.e., 6 seconds).   The default value "
          u"is zero, which means that CTS will drop immediately as soon as the last character is transmitted.\r\r"
          u"When DEVICE DCE mode is active, the value of this parameter has no effect, and the display will "
          u"show 'CTSHOLD n/a'."_s}},
        {u"PowerLabel"_s,
         {u"Power Level Information"_s,
          u"This command displays or sets the desired RF forward output power setting of the radio. The PWR "
          u"command parameter is specified in dBm and can range from 20 dBm through 30 in 1 dBm steps. The default "
          u"setting is 30 dBm (1 watt). To read the actual (measured) power output of the radio, use the SHOW "
          u"PWR command.\r\rIn the USA, maximum allowable power is governed by FCC limits on Effective Isotropic "
          u"Radiated Power output (EIRP). The EIRP limit of +36 dBm means that any user with a net antenna gain "
          u"greater than 6 dBi must decrease the PWR setting accordingly."_s}},
        {u"SleepLabel"_s,
         {u"Sleep"_s,
          u"The SLEEP command (Sleep Mode Enable/Disable) is settable independently at each radio.  The SLEEP "
          u"setting determines whether or not sleep mode is invoked when the sleep input pin is grounded."_s}},
        {u"AlarmMaskLabel"_s,
         {u"Alarm Mask Information"_s,
          u"This command sets the alarm bits that cause the alarm output signal to be triggered. The PWR LED "
          u"will still flash for all alarms, but the alarm output signal will only be activated for those alarms "
          u"that have the corresponding mask bit set. The hex value for the mask aligns directly with the hex "
          u"value for the ALARM command. The default is FFFF FFFF. Through proper use of the AMASK command, "
          u"it is possible to tailor the alarm response of the radio. Contact the factory for more information "
          u"on configuring the alarm mask."_s}},
        {u"AlrsLabel"_s,
         {u"Alarm Sense"_s,
          u"This command is used to set or display the sense of the alarm output at Pin 6 of the DATA INTERFACE "
          u"connector. The default for transceivers is active HI."_s}},
        {u"NetAddrLabel"_s,
         {u"Radio Network Address Information"_s,
          u"The Radio Network Address is a programmable number (1-65000) that must be common across all radios "
          u"in a given network. This value helps to ensure that the receiver has acquired a valid signal from "
          u"another radio in its own network."_s}},
        {u"RptctLabel"_s,
         {u"Repeat Count"_s,
          u"REPEAT (master repeat count) is an integer between 0 and 10 inclusive.  Settable at the master; "
          u"viewable by a synchronized remote.  The master will unconditionally retransmit payload data the "
          u"specified number of times.  (This is different from remotes which use the RETRY value to conditionally "
          u"retransmit only as needed up to the specified number of times).  0 means non-redundant operation. "
          u" Higher values increase the probability of polls getting through at the cost of increased latency."_s}},
        {u"RetryLabel"_s,
         {u"Retry Count"_s,
          u"This command is associated with 'robust' or 'bulletproof' operation.  RETRY selects or  displays "
          u"the maximum number of times that a radio will re-transmit data. A value of 0 represents 'non-robust "
          u"operation'.  Values equal to 1 or greater successively improve the chance of successful data delivery "
          u"in spectrally harsh environments (up to 10 tries). This command is read-only at remote radios."_s}},
        {u"FECLabel"_s,
         {u"Forward Error Correction"_s,
          u"FEC (Forward Error Correction) is settable to 'ON' or 'OFF' at the master; viewable by a synchronized "
          u"remote.  FEC improves sensitivity at the cost of reduced throughput."_s}},
        {u"HopLabel"_s,
         {u"Hop Time"_s,
          u"The HOPTIME command selects or displays a hop time selection (7 or 29 msec). This command is read-only "
          u"at remote radios"_s}},
        {u"SkipLabel"_s,
         {u"Skipped Zones"_s,
          u"The SKIP command selects or displays which combination of the eight, 3.2 MHz (128 frequency) zones "
          u"will be skipped from the radio's hopping sequence. The command parameter is either the keyword 'NONE' "
          u"or a list of up to four digits where each digit 1..8 represents a corresponding zone to skip.  (For "
          u"zone parameter input, the digits can appear in any order and can optionally be separated by whitespace "
          u"or commas.  For zone parameter output the digits will appear in ascending, numerical order, separated "
          u"by commas). This command is read-only at remote radios"_s}},
        {u"BuffLabel"_s,
         {u"Data Buffering"_s,
          u"This command sets or displays the seamless data mode selection of the radio network. The command "
          u"parameter is either 'ON' or 'OFF'.  Default is 'ON'.  The setting of this parameter affects both "
          u"receive and transmit operation.  On the transmit side it causes incoming messages to be tagged with "
          u"start and end delimiters, which are then sent over the air.  On the receive side it causes the radio "
          u"to wait until an entire message has arrived before starting to deliver data. This command is read-only "
          u"at remote radios."_s}},
        {u"RxtoLabel"_s,
         {u"Rx. Time Out Information"_s,
          u"The RXTOT command selects or displays the 'receive time-out timer' setting.  The receive time-out "
          u"timer is an alarm facility that triggers based on the absence of received RF data.  If a radio fails "
          u"to receive RF data for a duration longer than the receive time-out timer value, an alarm condition "
          u"is set.  The radio must see valid data before the alarm condition is cleared.\r\r"
          u"The command parameter can be either a timer value or the keyword 'NONE'. Timer values are specified "
          u"in minutes and must be between 1 and 1440. 'NONE' disables the timer (default)."_s}},
        {u"SAFLabel"_s,
         {u"Store & Forward"_s,
          u"Store and Forward offers a way to physically increase the range of a network in a simple, economical "
          u"manner.  The Store and Forward capability operates by dividing a network into a vertical hierarchy "
          u"of two or more sub-networks.  Adjacent sub-networks are connected via 'extension' radios ('MODE "
          u"X') that allocate equal amounts of time communicating in each. Extension radios have the task of "
          u"moving data from one sub-network to the next one."_s}},
        {u"XMINLabel"_s,
         {u"Minimum Extension Addresses"_s,
          u"Select / Display minimum bound for extension address values that this radio is allowed to synchronize "
          u"to. <0-63>"_s}},
        {u"XMAXLabel"_s,
         {u"Maximum Extension Addresses"_s,
          u"Select / Display maximum bound for extension address values that this radio is allowed to synchronize "
          u"to. <0-63>"_s}},
        {u"XMAPLabel"_s,
         {u""_s,
          u"XMAP is a 32 bit hex entry where the least significant bit represents XADDR 0 and the most significant "
          u"bit represents XADDR 31. The full 32-bit hex value represents the entire list of extensions the "
          u"radio will be allowed to communicate with"_s}},
        {u"XPRILabel"_s,
         {u""_s,
          u"XPRI designates a PRIMARY XADDR (0 to 31) with which a radio will attempt to acquire and maintain "
          u"synchronization."_s}},
        {u"XRSSILabel"_s,
         {u"Extension"_s,
          u"If a radio is sync'd to a source other than it's primary (XPRI), then it will periodically check "
          u"the RSSI level and if the RSSI level is below the XRSSI threshold (a specified level in dBm between "
          u"-40 and -120) the radio will force a loss of synchronization."_s}},
        {u"ShowSyncLabel"_s,
         {u"Show Sync"_s,
          u"SHOW SYNC is a read-only command which displays network depth plus the UNIT address and the XADDR "
          u"value on the radio to which the current radio is synchronized. This field displays 'NOT AVAILABLE' "
          u"if the radio is not synchronized (or is a master)"_s}},
        {u"DTypeLabel"_s,
         {u"DTYPE"_s,
          u"The DTYPE or Diagnostic Type is usually set to either ROOT or NODE. Only one ROOT radio can exist "
          u"within a given network.  The ROOT radio will provide for Passive or Non-Intrusive diagnostic polling. "
          u"For more information refer to the Systems Handbook documentation on NETWORK WIDE DIAGNOSTICS (29-6180A01).\r\r"
          u"The default setting for DTYPE is NODE."_s}},
        {u"DLinkLabel"_s,
         {u"DLINK"_s,
          u"The DLINK or Diagnostic Link can be set to either ON or OFF.  When ON, it allows for the Network "
          u"Wide diagnostic messages to pass through the RJ-11 port.  It also controls the diagnostic communication "
          u"baud rate to the PC or other radio via the RJ-11 connection.\r\r"
          u"The default setting for DLINK is ON at 19200 baud."_s}},
        {u"SoftRTULabel"_s,
         {u"Software RTU"_s,
          u"The Software RTU is a built-in software RTU simulator that mimics the functionallity of the popular "
          u"external Telvo RTU Simulator.  The RTU can be set to ON or OFF.  The RTU address can range from "
          u"0-80 and may be left enabled as long as the polling command string does not appear in the payload "
          u"data stream.\r\rTelvo has two DOS-based polling programs and one Windows-based polling program that "
          u"can exercise the RTU simulator feature."_s}},
        {u"CSADDRLabel"_s,
         {u"Clock Sync"_s,
          u"This specifies the Network Address of a radio designated as a Clock Sync Master. <1-65000>"_s}},
        {u"RXDLabel"_s,
         {u"Receive Data Holdeover Timer"_s,
          u"The Receive Data Holdeover Timer specifies the the additional delay (0-255 ms) a radio should wait "
          u"before sending the first byte of data on the RXD line\r"
          u"following the instant that the receiver would normally be ready to output data.\r\r"
          u"NOTE: Data Buffering should be set to OFF if seamless is being implemented via the RXD command."_s}},
    };
    return texts;
}

// The extension address range halved from revision 200 on.
const QString XaddrLabel = u"XADDRLabel"_s;
const QString XaddrTitle = u"Extension Address"_s;
const QString XaddrTextBelow200 = u"Select / Display extension address. <0-63>"_s;
const QString XaddrTextFrom200 = u"Select / Display extension address. <0-31>"_s;

} // namespace

std::optional<HelpText> helpTextFor(const QString &labelName, const QString &FirmwareRevNumber)
{
    if (labelName == XaddrLabel) {
        const std::optional<double> revision = firmwareRevisionValue(FirmwareRevNumber);
        if (!revision)
            return std::nullopt;
        return HelpText{XaddrTitle, *revision < 200 ? XaddrTextBelow200 : XaddrTextFrom200};
    }
    const auto found = fixedTexts().constFind(labelName);
    if (found == fixedTexts().constEnd())
        return std::nullopt;
    return *found;
}
