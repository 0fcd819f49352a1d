#include "settings/RadioSettingCatalogue.h"

#include <QLocale>

#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace {

using G = RevisionGate;
using M = ModeLayout;
using K = EditKind;
using E = EditGuard;
using S = EditSpecial;

QList<RadioSetting> buildCatalogue()
{
    return {
        {.keyword = u"ser"_s, .box = u"SerialNumber"_s, .readOutPosition = 1, .readOutGroup = 1,
         .label = u"SnumLabel"_s, .caption = u"Serial Number"_s, .page = GeneralPage, .pageRow = 0,
         .toolTip = u"Radio serial number"_s, .longestReply = u"SN 00123456"_s},

        {.keyword = u"unit"_s, .box = u"UnitAddr"_s, .readOutPosition = 2, .readOutGroup = 1,
         .label = u"UnitLabel"_s, .caption = u"Unit Address"_s, .page = GeneralPage, .pageRow = 6,
         .toolTip = u"Click to program the unit address"_s, .longestReply = u"UNIT 65000"_s,
         .editKind = K::Input, .commandWord = u"unit "_s, .labelStrip = u"UNIT "_s,
         .prompt = u"Enter the Unit Address:\r\r    10000 to 65000"_s, .title = u"Program Unit Address"_s,
         .restoreCheck = u"UnitCheck"_s, .restoreCaption = u"Restore Unit Address"_s, .restoreOrder = 1,
         .restoreGroup = 1,
         .reportOrder = 1, .reportQuery = u"unit"_s, .reportKeyword = u"UNIT"_s, .reportStatus = u"UNIT"_s},

        // The reply is two lines: the part number and the version with its date.
        {.keyword = u"srev"_s, .box = u"SoftwareRev"_s, .readOutPosition = 3, .readOutGroup = 1,
         .label = u"SrevLabel"_s, .caption = u"Software Rev."_s, .page = GeneralPage, .pageRow = 1,
         .designText = QString(), .toolTip = u"Software revision"_s,
         .longestReply = u"17-2851A01\r\n3.2.0  01Jan2024"_s},

        // The reply is the bare owner text, no label in front.
        {.keyword = u"own"_s, .box = u"OwnerName"_s, .readOutPosition = 4, .readOutGroup = 1,
         .label = u"OwnLabel"_s, .caption = u"Radio Model"_s, .page = GeneralPage, .pageRow = 2,
         .designText = QString(), .toolTip = u"Click to program the owner's name"_s,
         .longestReply = u"WAVECREST SS 900 MHZ RADIO 123"_s,
         .editKind = K::Input, .commandWord = u"own "_s,
         .prompt = u"Enter a new Owner's Name up to 30 characters"_s, .title = u"Program Owner's Name"_s,
         .restoreCheck = u"OwnCheck"_s, .restoreCaption = u"Restore Owner's Name"_s, .restoreOrder = 2,
         .restoreGroup = 1,
         .reportOrder = 2, .reportQuery = u"OWN"_s, .reportStatus = u"OWN"_s},

        {.keyword = u"owm"_s, .box = u"OwnerMessage"_s, .readOutPosition = 5, .readOutGroup = 2,
         .label = u"OwmLabel"_s, .caption = u"Message"_s, .page = GeneralPage, .pageRow = 3,
         .designText = QString(), .toolTip = u"Click to program the owner's message"_s,
         .longestReply = u"NORTH PUMP STATION, TOWER 12 W"_s,
         .editKind = K::Input, .commandWord = u"owm "_s,
         .prompt = u"Enter a new Owner's Message up to 30 characters"_s, .title = u"Program Owner's Message"_s,
         .restoreCheck = u"OwmCheck"_s, .restoreCaption = u"Restore Owner's Msg."_s, .restoreOrder = 3,
         .restoreGroup = 1,
         .reportOrder = 3, .reportQuery = u"OWM"_s, .reportStatus = u"OWM"_s},

        {.keyword = u"temp"_s, .box = u"Temperature"_s, .readOutPosition = 6, .readOutGroup = 2,
         .label = u"TempLabel"_s, .caption = u"Temperature"_s, .page = GeneralPage, .pageRow = 5,
         .toolTip = u"Internal temperature"_s, .longestReply = u"TEMP +125 C"_s},

        {.keyword = u"alrm"_s, .box = u"AlarmInfo"_s, .readOutPosition = 7, .readOutGroup = 2,
         .label = u"AlarmLabel"_s, .caption = u"Alarms"_s, .page = GeneralPage, .pageRow = 4,
         .designText = QString(), .toolTip = u"Click for alarm details in the terminal window"_s,
         .longestReply = u"MAJOR ALARM 0000 0000"_s,
         .editKind = K::StatusPager, .commandWord = u"stat"_s},

        {.keyword = u"mode"_s, .box = u"Mode"_s, .readOutPosition = 8, .readOutGroup = 3,
         .label = u"RmdLabel"_s, .caption = u"Radio Mode"_s, .page = 0, .pageRow = 0,
         .toolTip = u"Click to program the radio mode"_s, .longestReply = u"MODE M"_s,
         .editKind = K::Input, .commandWord = u"mode "_s, .labelStrip = u"MODE "_s,
         .prompt = u"Enter 'M' for a master, 'R' for a remote or 'X' for an extension (used in Store & Forward mode):"_s,
         .title = u"Program Radio Mode"_s,
         .restoreCheck = u"ModeCheck"_s, .restoreCaption = u"Restore Radio Mode"_s, .restoreOrder = 4,
         .restoreGroup = 2,
         .reportOrder = 4, .reportQuery = u"mode"_s, .reportKeyword = u"MODE"_s, .reportStatus = u"MODE"_s},

        {.keyword = u"pwr"_s, .box = u"PowerLevel"_s, .readOutPosition = 9, .readOutGroup = 3,
         .label = u"PowerLabel"_s, .caption = u"Power Level"_s, .page = 0, .pageRow = 1,
         .toolTip = u"Click to program the output power level"_s, .longestReply = u"PWR 30 dBm"_s,
         .editKind = K::Input, .commandWord = u"pwr "_s, .labelStrip = u"PWR "_s,
         .prompt = u"Enter a new Power Level:\r\r20dBm through 30dBm in 1dBm steps"_s,
         .title = u"Program Power Output Level"_s,
         .restoreCheck = u"PowerCheck"_s, .restoreCaption = u"Restore Power Level"_s, .restoreOrder = 5,
         .restoreGroup = 2,
         .reportOrder = 5, .reportQuery = u"pwr"_s, .reportKeyword = u"PWR"_s, .reportStatus = u"PWR"_s},

        {.keyword = u"baud"_s, .box = u"BaudRate"_s, .readOutPosition = 10, .readOutGroup = 3,
         .label = u"DataBaudLabel"_s, .caption = u"Data Baud Rate"_s, .page = 0, .pageRow = 2,
         .toolTip = u"Click to program the baud rate"_s, .longestReply = u"BAUD 115200 8N1"_s,
         .editKind = K::Input, .commandWord = u"baud "_s, .labelStrip = u"BAUD "_s,
         .prompt = u"Enter a new baud rate and/or format (ie 9600 8N1):"_s, .title = u"Program Data Baud Rate"_s,
         .restoreCheck = u"DataBaudCheck"_s, .restoreCaption = u"Restore Data Baud Rate"_s, .restoreOrder = 6,
         .restoreGroup = 2,
         .reportOrder = 6, .reportQuery = u"baud"_s, .reportKeyword = u"BAUD"_s, .reportStatus = u"BAUD"_s},

        {.keyword = u"port"_s, .box = u"Port"_s, .readOutPosition = 11, .readOutGroup = 3,
         .label = u"PortLabel"_s, .caption = u"Port"_s, .page = 0, .pageRow = 3,
         .toolTip = u"Click to program the port type"_s, .longestReply = u"PORT RS485"_s,
         .editKind = K::Input, .commandWord = u"port "_s, .labelStrip = u"PORT "_s,
         .prompt = u"Enter the port type to use for the payload port (RS232 or RS485):"_s,
         .title = u"Program Payload Port"_s,
         .restoreCheck = u"PortCheck"_s, .restoreCaption = u"Restore Port"_s, .restoreOrder = 7,
         .restoreGroup = 3,
         .reportOrder = 7, .reportQuery = u"port"_s, .reportKeyword = u"PORT"_s, .reportStatus = u"PORT"_s},

        {.keyword = u"device"_s, .box = u"DeviceType"_s, .readOutPosition = 12, .readOutGroup = 4,
         .label = u"DevLabel"_s, .caption = u"Device Type"_s, .page = 0, .pageRow = 4,
         .toolTip = u"Click to program the device type"_s, .longestReply = u"DEVICE CTS KEY"_s,
         .editKind = K::YesNo, .commandWord = u"device "_s,
         .prompt = u"Program Device Type to DCE?\r\rYES for DCE      NO for CTS KEY"_s,
         .title = u"Program Device Type"_s, .yesValue = u"DCE"_s, .noValue = u"CTS KEY"_s,
         .restoreCheck = u"DevCheck"_s, .restoreCaption = u"Restore Device Type"_s, .restoreOrder = 8,
         .restoreGroup = 3,
         .reportOrder = 8, .reportQuery = u"device"_s, .reportKeyword = u"DEVICE"_s, .reportStatus = u"DEVICE"_s},

        // The reply's label is "MASK:" with no blank; the report leaves the panel at "DEVICE".
        {.keyword = u"amask"_s, .box = u"AlarmMask"_s, .readOutPosition = 13, .readOutGroup = 4,
         .label = u"AlarmMaskLabel"_s, .caption = u"Alarm Mask"_s, .page = 0, .pageRow = 5,
         .toolTip = u"Click to program the alarm mask"_s, .longestReply = u"MASK: FFFF FFFF"_s,
         .editKind = K::Input, .commandWord = u"amask "_s, .labelStrip = u"MASK:"_s,
         .prompt = u"Enter a new major alarm mask:\r\r(0000 0000) to (FFFF FFFF)"_s, .title = u"Program Alarm Mask"_s,
         .editSpecial = S::AwaitPromptOnly,
         .restoreCheck = u"AlarmMaskCheck"_s, .restoreCaption = u"Restore Alarm Mask"_s, .restoreOrder = 9,
         .restoreGroup = 3,
         .reportOrder = 9, .reportQuery = u"amask"_s, .reportKeyword = u"MASK"_s},

        {.keyword = u"asense"_s, .box = u"AlarmSense"_s, .readOutPosition = 14, .readOutGroup = 4,
         .label = u"AlrsLabel"_s, .caption = u"Alarm Sense"_s, .page = 0, .pageRow = 6,
         .toolTip = u"Click to program the alarm sense"_s, .longestReply = u"ALARM ACTIVE HI"_s,
         .editKind = K::Input, .commandWord = u"asense "_s, .labelStrip = u"ALARM ACTIVE "_s,
         .prompt = u"Enter 'HI' or 'LO' to change the sense of the alarm output signal (active high or active low):"_s,
         .title = u"Set Alarm Sense"_s,
         .restoreCheck = u"AlrsCheck"_s, .restoreCaption = u"Restore Alarm Sense"_s, .restoreOrder = 10,
         .restoreGroup = 4,
         .reportOrder = 10, .reportQuery = u"asense"_s, .reportKeyword = u"ALARM"_s, .reportStatus = u"ASENSE"_s},

        {.keyword = u"cts"_s, .box = u"CTSdelay"_s, .readOutPosition = 15, .readOutGroup = 5,
         .label = u"CTSDelayLabel"_s, .caption = u"CTS Delay"_s, .page = 1, .pageRow = 0,
         .toolTip = u"Click to program the CTS delay"_s, .longestReply = u"CTS 255"_s,
         .editKind = K::Input, .commandWord = u"cts "_s, .labelStrip = u"CTS "_s,
         .prompt = u"Enter a new CTS delay from 0-255 msec:"_s, .title = u"Program CTS Delay"_s,
         .restoreCheck = u"CTSDelayCheck"_s, .restoreCaption = u"Restore CTS Delay"_s, .restoreOrder = 11,
         .restoreGroup = 4,
         .reportOrder = 11, .reportQuery = u"cts"_s, .reportKeyword = u"CTS"_s, .reportStatus = u"CTS"_s},

        {.keyword = u"ctshold"_s, .box = u"CTSHOLDdelay"_s, .readOutPosition = 16, .readOutGroup = 5,
         .label = u"CTSHoldLabel"_s, .caption = u"CTSHOLD Delay"_s, .page = 1, .pageRow = 1,
         .toolTip = u"Click to program the CTS hold delay"_s, .longestReply = u"CTSHOLD 6000"_s,
         .editKind = K::Input, .commandWord = u"ctshold "_s, .labelStrip = u"CTSHOLD "_s,
         .prompt = u"Program CTS holdover delay from 0-6000msec. for DEVICE = CTS KEY operation:"_s,
         .title = u"Program CTSHOLD Delay"_s,
         .restoreCheck = u"CTSHoldCheck"_s, .restoreCaption = u"Restore CTSHOLD Delay"_s, .restoreOrder = 12,
         .restoreGroup = 4,
         .reportOrder = 12, .reportQuery = u"ctshold"_s, .reportKeyword = u"CTSHOLD"_s,
         .reportStatus = u"CTSHOLD"_s},

        {.keyword = u"rxtot"_s, .box = u"RxTimeOut"_s, .readOutPosition = 17, .readOutGroup = 5,
         .label = u"RxtoLabel"_s, .caption = u"Receive Time Out Timer"_s, .page = 1, .pageRow = 2,
         .toolTip = u"Click to program the receive time out timer"_s, .longestReply = u"RXTOT 1440"_s,
         .editKind = K::Input, .commandWord = u"rxtot "_s, .labelStrip = u"RXTOT "_s,
         .prompt = u"Program  Receive Timeout timer in minutes; 1-1440 or NONE"_s,
         .title = u"Program Receive Timeout Timer"_s,
         .restoreCheck = u"RxtoCheck"_s, .restoreCaption = u"Restore Rx. Time Out Timer"_s, .restoreOrder = 13,
         .restoreGroup = 5,
         .reportOrder = 13, .reportQuery = u"rxtot"_s, .reportKeyword = u"RXTOT"_s, .reportStatus = u"RXTOT"_s},

        {.keyword = u"rxd"_s, .box = u"RXD"_s, .readOutPosition = 18, .readOutGroup = 6, .gate = G::From300,
         .label = u"RXDLabel"_s, .caption = u"Receive Data Holdover"_s, .page = 1, .pageRow = 3,
         .toolTip = u"Click to program the receive data holdover timer"_s, .longestReply = u"RXD 255"_s,
         .editKind = K::Input, .commandWord = u"rxd "_s, .labelStrip = u"RXD "_s,
         .prompt = u"Enter the value of the Receive Data Holdover timer (in milliseconds) to use for this radio (0 -- 255):"_s,
         .title = u"Program Receive Data Holdover Timer"_s,
         .restoreCheck = u"RXDCheck"_s, .restoreCaption = u"Restore Rx. Data Holdover"_s, .restoreOrder = 14,
         .restoreGroup = 5, .restoreReadGate = G::From300,
         .reportOrder = 14, .reportQuery = u"rxd"_s, .reportKeyword = u"RXD"_s, .reportStatus = u"RXD"_s},

        {.keyword = u"sleep"_s, .box = u"SleepMode"_s, .readOutPosition = 19, .readOutGroup = 6,
         .label = u"SleepLabel"_s, .caption = u"Sleep Mode"_s, .page = 1, .pageRow = 4,
         .toolTip = u"Click to turn sleep mode on or off"_s, .longestReply = u"SLEEP OFF"_s,
         .modeLayout = M::NotMaster,
         .editKind = K::Toggle, .editGuard = E::NotMaster, .commandWord = u"sleep "_s,
         .title = u"Sleep Mode Setting"_s, .onText = u"SLEEP ON"_s, .offText = u"SLEEP OFF"_s,
         .questionWhenOn = u"Turn Sleep mode off?"_s, .questionWhenOff = u"Turn Sleep mode on?"_s,
         .restoreCheck = u"SleepCheck"_s, .restoreCaption = u"Restore Sleep Mode"_s, .restoreOrder = 15,
         .restoreGroup = 5,
         .reportOrder = 15, .reportQuery = u"sleep"_s, .reportKeyword = u"SLEEP"_s, .reportStatus = u"SLEEP"_s},

        {.keyword = u"lpmhold"_s, .box = u"LPMHOLD"_s, .readOutPosition = 20, .readOutGroup = 6, .gate = G::From320,
         .label = u"LPMHOLDLabel"_s, .caption = u"Low Power Mode HOLD"_s, .page = 1, .pageRow = 5,
         .toolTip = u"Click to program the low power mode holdover timer"_s, .longestReply = u"LPMHOLD 1000"_s,
         .help = false,
         .editKind = K::Input, .commandWord = u"lpmhold "_s, .labelStrip = u"LPMHOLD "_s,
         .prompt = u"Enter the value of the Low Power Mode Holdover timer (in milliseconds) to use for this radio (0 -- 1000):"_s,
         .title = u"Program Low Power Mode Holdover Timer"_s,
         .restoreCheck = u"LPMHOLDCheck"_s, .restoreCaption = u"Restore Low Power Mode HOLD"_s, .restoreOrder = 16,
         .restoreGroup = 5, .restoreReadGate = G::From320,
         .reportOrder = 16, .reportQuery = u"lpmhold"_s, .reportKeyword = u"LPMHOLD"_s,
         .reportStatus = u"LPMHOLD"_s},

        {.keyword = u"addr"_s, .box = u"NetworkAddress"_s, .readOutPosition = 21, .readOutGroup = 7,
         .label = u"NetAddrLabel"_s, .caption = u"Network Address"_s, .page = 2, .pageRow = 0,
         .toolTip = u"Click to program the radio network address"_s, .longestReply = u"ADDR 65000"_s,
         .editKind = K::Input, .commandWord = u"addr "_s,
         .prompt = u"Enter a new radio Network Address:\r\r1-65000 or NONE"_s, .title = u"Program Network Address"_s,
         .editSpecial = S::SendWholeWhenHoldsAddr,
         .restoreCheck = u"NetAddrCheck"_s, .restoreCaption = u"Restore Network Address"_s, .restoreOrder = 17,
         .restoreGroup = 6,
         .reportOrder = 17, .reportQuery = u"addr"_s, .reportKeyword = u"ADDR"_s, .reportStatus = u"ADDR"_s},

        // The restore window reads it only from 320, though it shows it from 300.
        {.keyword = u"csaddr"_s, .box = u"CSADDR"_s, .readOutPosition = 22, .readOutGroup = 7, .gate = G::From300,
         .specialReply = u"n/a"_s,
         .label = u"CSADDRLabel"_s, .caption = u"Clock Sync Address"_s, .page = 2, .pageRow = 1,
         .toolTip = u"Click to program the clock sync radio address"_s, .longestReply = u"CSADDR 65000"_s,
         .modeLayout = M::DisabledUnlessMaster,
         .editKind = K::Input, .commandWord = u"csaddr "_s, .labelStrip = u"CSADDR "_s,
         .prompt = u"Enter the Network Address of the designated Clock Sync Master (1 -- 65000):"_s,
         .title = u"Program Clock Sync Address"_s,
         .restoreCheck = u"CSADDRCheck"_s, .restoreCaption = u"Restore Clock Sync Address"_s, .restoreOrder = 18,
         .restoreGroup = 6, .restoreReadGate = G::From320,
         .reportOrder = 18, .reportQuery = u"csaddr"_s, .reportKeyword = u"CSADDR"_s, .reportStatus = u"CSADDR"_s},

        {.keyword = u"hoptime"_s, .box = u"HopTime"_s, .readOutPosition = 23, .readOutGroup = 7,
         .label = u"HopLabel"_s, .caption = u"Hop Time"_s, .page = 2, .pageRow = 2,
         .toolTip = u"Click to program the hop time"_s, .longestReply = u"HOPTIME 28"_s,
         .modeLayout = M::MasterOnly,
         .editKind = K::Input, .editGuard = E::MasterOnly, .commandWord = u"hoptime "_s, .labelStrip = u"HOPTIME "_s,
         .prompt = u"Enter the Hop Time value (7 or 28 msec):"_s, .title = u"Program Hop Time"_s,
         .restoreCheck = u"HopCheck"_s, .restoreCaption = u"Restore Hop Time"_s, .restoreOrder = 19,
         .restoreGroup = 6,
         .reportOrder = 19, .reportQuery = u"hoptime"_s, .reportKeyword = u"HOPTIME"_s,
         .reportStatus = u"HOPTIME"_s},

        {.keyword = u"skip"_s, .box = u"SkippedZones"_s, .readOutPosition = 24, .readOutGroup = 7,
         .label = u"SkipLabel"_s, .caption = u"Skipped Zones"_s, .page = 2, .pageRow = 3,
         .toolTip = u"Click to program skipped zones"_s, .longestReply = u"SKIP 1,2,3,4"_s,
         .modeLayout = M::MasterOnly,
         .editKind = K::Input, .editGuard = E::MasterOnly, .commandWord = u"skip "_s, .labelStrip = u"SKIP "_s,
         .prompt = u"Enter up to four skipped zones (1-8) or type 'NONE' for no skipped zones. (i.e. 1,2,5):"_s,
         .title = u"Program Skipped Zones"_s,
         .restoreCheck = u"SkipCheck"_s, .restoreCaption = u"Restore Skipped Zones"_s, .restoreOrder = 20,
         .restoreGroup = 6,
         .reportOrder = 20, .reportQuery = u"skip"_s, .reportKeyword = u"SKIP"_s, .reportStatus = u"SKIP"_s},

        // Master-only on the page, but its edit has no mode guard.
        {.keyword = u"lpm"_s, .box = u"LPM"_s, .readOutPosition = 25, .readOutGroup = 7, .gate = G::From320,
         .label = u"LPMLabel"_s, .caption = u"Low Power Mode Setting"_s, .page = 2, .pageRow = 4,
         .toolTip = u"Click to program the low power mode setting"_s, .longestReply = u"LPM 7"_s,
         .modeLayout = M::MasterOnly, .help = false,
         .editKind = K::Input, .commandWord = u"lpm "_s, .labelStrip = u"LPM "_s,
         .prompt = u"Enter the Low Power Mode selection to use for this radio network (0 -- 7):"_s,
         .title = u"Program Low Power Mode"_s,
         .restoreCheck = u"LPMCheck"_s, .restoreCaption = u"Restore Low Power Mode"_s, .restoreOrder = 21,
         .restoreGroup = 6, .restoreReadGate = G::From320,
         .reportOrder = 21, .reportQuery = u"lpm"_s, .reportKeyword = u"LPM"_s, .reportStatus = u"LPM"_s},

        {.keyword = u"repeat"_s, .box = u"RepeatCount"_s, .readOutPosition = 26, .readOutGroup = 8,
         .specialReply = u"PROGRAMMABLE ONLY"_s,
         .label = u"RptctLabel"_s, .caption = u"Repeat Count"_s, .page = 3, .pageRow = 0,
         .toolTip = u"Click to program the repeat count"_s, .longestReply = u"REPEAT 10"_s,
         .modeLayout = M::MasterOnly,
         .editKind = K::Input, .editGuard = E::MasterOnly, .commandWord = u"repeat "_s, .labelStrip = u"REPEAT "_s,
         .prompt = u"Program the repeat count for the master, 0-10:"_s, .title = u"Program Repeat Count"_s,
         .restoreCheck = u"RptctCheck"_s, .restoreCaption = u"Restore Repeat Count"_s, .restoreOrder = 22,
         .restoreGroup = 7,
         .reportOrder = 22, .reportQuery = u"repeat"_s, .reportKeyword = u"REPEAT"_s, .reportStatus = u"REPEAT"_s},

        {.keyword = u"retry"_s, .box = u"RetryCount"_s, .readOutPosition = 27, .readOutGroup = 8,
         .label = u"RetryLabel"_s, .caption = u"Retry Count"_s, .page = 3, .pageRow = 1,
         .toolTip = u"Click to program the retry count"_s, .longestReply = u"RETRY 10"_s,
         .modeLayout = M::MasterOnly,
         .editKind = K::Input, .editGuard = E::MasterOnly, .commandWord = u"retry "_s, .labelStrip = u"RETRY "_s,
         .prompt = u"Program the transmission count (for robust mode), 0-10:"_s,
         .title = u"Program Transmission Retry Count"_s,
         .restoreCheck = u"RetryCheck"_s, .restoreCaption = u"Restore Retry Count"_s, .restoreOrder = 23,
         .restoreGroup = 7,
         .reportOrder = 23, .reportQuery = u"retry"_s, .reportKeyword = u"RETRY"_s, .reportStatus = u"RETRY"_s},

        {.keyword = u"fec"_s, .box = u"FEC"_s, .readOutPosition = 28, .readOutGroup = 8,
         .label = u"FECLabel"_s, .caption = u"Forward Error Correction"_s, .page = 3, .pageRow = 2,
         .toolTip = u"Click to turn FEC on or off"_s, .longestReply = u"FEC OFF"_s,
         .modeLayout = M::MasterOnly,
         .editKind = K::Toggle, .editGuard = E::MasterOnly, .commandWord = u"fec "_s,
         .title = u"Forward Error Correction Setting"_s, .onText = u"FEC ON"_s, .offText = u"FEC OFF"_s,
         .questionWhenOn = u"Turn Forward Error Correction off?"_s,
         .questionWhenOff = u"Turn Forward Error Correction on?"_s,
         .restoreCheck = u"FECCheck"_s, .restoreCaption = u"Restore Forward Error Correction"_s, .restoreOrder = 24,
         .restoreGroup = 7,
         .reportOrder = 24, .reportQuery = u"fec"_s, .reportKeyword = u"FEC"_s, .reportStatus = u"FEC"_s},

        {.keyword = u"buff"_s, .box = u"DataBuff"_s, .readOutPosition = 29, .readOutGroup = 8,
         .label = u"BuffLabel"_s, .caption = u"Data Buffering"_s, .page = 3, .pageRow = 3,
         .toolTip = u"Click to turn data buffering on or off"_s, .longestReply = u"BUFF OFF"_s,
         .modeLayout = M::MasterOnly,
         .editKind = K::Toggle, .editGuard = E::MasterOnly, .commandWord = u"buff "_s,
         .title = u"Data Buffering Setting"_s, .onText = u"BUFF ON"_s, .offText = u"BUFF OFF"_s,
         .questionWhenOn = u"Turn Data Buffering off?"_s, .questionWhenOff = u"Turn Data Buffering on?"_s,
         .restoreCheck = u"BuffCheck"_s, .restoreCaption = u"Restore Data Buffering"_s, .restoreOrder = 25,
         .restoreGroup = 8,
         .reportOrder = 25, .reportQuery = u"buff"_s, .reportKeyword = u"BUFF"_s, .reportStatus = u"BUFF"_s},

        {.keyword = u"saf"_s, .box = u"StoreAndForward"_s, .readOutPosition = 30, .readOutGroup = 9,
         .label = u"SAFLabel"_s, .caption = u"Store and Forward"_s, .page = 4, .pageRow = 0,
         .toolTip = u"Click to turn store & forward mode on or off"_s, .longestReply = u"SAF OFF"_s,
         .modeLayout = M::MasterOnly,
         .editKind = K::Toggle, .editGuard = E::MasterOnly, .commandWord = u"saf "_s,
         .title = u"Store and Forward Mode Setting"_s, .onText = u"SAF ON"_s, .offText = u"SAF OFF"_s,
         .questionWhenOn = u"Turn Store & Forward mode off?"_s,
         .questionWhenOff = u"Turn Store & Forward mode on?"_s,
         .restoreCheck = u"SAFCheck"_s, .restoreCaption = u"Restore Store and Forward"_s, .restoreOrder = 26,
         .restoreGroup = 8,
         .reportOrder = 26, .reportQuery = u"saf"_s, .reportKeyword = u"SAF"_s, .reportStatus = u"SAF"_s},

        // The address range in the prompt narrows to 0-31 from revision 200.
        {.keyword = u"xaddr"_s, .box = u"XADDR"_s, .readOutPosition = 31, .readOutGroup = 9,
         .notQueriedAtModeR = true,
         .label = u"XADDRLabel"_s, .caption = u"Extension Address"_s, .page = 4, .pageRow = 1,
         .toolTip = u"Click to program the extension address"_s, .longestReply = u"XADDR 63"_s,
         .modeLayout = M::NotRemote,
         .editKind = K::Input, .editGuard = E::MasterOrExtension, .commandWord = u"xaddr "_s,
         .labelStrip = u"XADDR "_s,
         .prompt = u"Enter the extension address (0-63):"_s, .promptFrom200 = u"Enter the extension address (0-31):"_s,
         .title = u"Program extension address"_s,
         .restoreCheck = u"XADDRCheck"_s, .restoreCaption = u"Restore Extension Address"_s, .restoreOrder = 27,
         .restoreGroup = 8,
         .reportOrder = 27, .reportQuery = u"xaddr"_s, .reportKeyword = u"XADDR"_s, .reportStatus = u"XADDR"_s},

        {.keyword = u"xmin"_s, .box = u"XMIN"_s, .readOutPosition = 32, .readOutGroup = 9, .gate = G::Below200,
         .label = u"XMINLabel"_s, .caption = u"Min. Extension Addr."_s, .page = 4, .pageRow = 2,
         .toolTip = u"Click to program the minimum extension address"_s, .longestReply = u"XMIN 63"_s,
         .editKind = K::Input, .commandWord = u"xmin "_s, .labelStrip = u"XMIN "_s,
         .prompt = u"Enter the minimum bound for the extension address (0-63):"_s,
         .title = u"Program Minimum Extension Addresses"_s,
         .restoreCheck = u"XMINCheck"_s, .restoreCaption = u"Restore XMIN"_s, .restoreOrder = 29,
         .restoreGroup = 9, .restoreReadGate = G::Below200},

        {.keyword = u"xmax"_s, .box = u"XMAX"_s, .readOutPosition = 33, .readOutGroup = 9, .gate = G::Below200,
         .label = u"XMAXLabel"_s, .caption = u"Max. Extension Addr."_s, .page = 4, .pageRow = 3,
         .toolTip = u"Click to program the maximum extension address"_s, .longestReply = u"XMAX 63"_s,
         .editKind = K::Input, .commandWord = u"xmax "_s, .labelStrip = u"XMAX "_s,
         .prompt = u"Enter the maximum bound for the extension address (0-63):"_s,
         .title = u"Maximum Extension Addresses"_s,
         .restoreCheck = u"XMAXCheck"_s, .restoreCaption = u"Restore XMAX"_s, .restoreOrder = 28,
         .restoreGroup = 9, .restoreReadGate = G::Below200},

        // Only its editor reads the map; the box keeps its design text.
        {.keyword = u"xmap"_s, .box = u"XMAP"_s, .gate = G::NotBelow200,
         .label = u"XMAPLabel"_s, .caption = u"Extension Map"_s, .page = 4, .pageRow = 4,
         .designText = u"Click to view/change"_s,
         .toolTip = u"Click to view or change the selection of extension addresses"_s,
         .longestReply = u"Click to view/change"_s,
         .editKind = K::Editor, .commandWord = u"xmap"_s,
         .restoreCheck = u"XMAPCheck"_s, .restoreCaption = u"Restore Extension MAP"_s, .restoreOrder = 30,
         .restoreGroup = 9, .restoreReadGate = G::NotBelow200,
         .reportOrder = 28, .reportQuery = u"xmap"_s, .reportKeyword = u"XMAP"_s, .reportStatus = u"XMAP"_s},

        {.keyword = u"xpri"_s, .box = u"XPRI"_s, .readOutPosition = 34, .readOutGroup = 9, .gate = G::NotBelow200,
         .label = u"XPRILabel"_s, .caption = u"Primary Extension Addr."_s, .page = 4, .pageRow = 5,
         .toolTip = u"Click to program primary extension address"_s, .longestReply = u"XPRI NONE"_s,
         .editKind = K::Input, .commandWord = u"xpri "_s, .labelStrip = u"XPRI "_s,
         .prompt = u"Enter the address for the primary extension radio (0-31 or 'NONE'):"_s,
         .title = u"Program Primary Extension Address"_s,
         .restoreCheck = u"XPRICheck"_s, .restoreCaption = u"Restore Primary Extension Addr."_s, .restoreOrder = 32,
         .restoreGroup = 9, .restoreReadGate = G::NotBelow200,
         .reportOrder = 30, .reportQuery = u"xpri"_s, .reportKeyword = u"XPRI"_s, .reportStatus = u"XPRI"_s},

        {.keyword = u"xrssi"_s, .box = u"XRSSI"_s, .readOutPosition = 35, .readOutGroup = 9, .gate = G::NotBelow200,
         .label = u"XRSSILabel"_s, .caption = u"Extension RSSI"_s, .page = 4, .pageRow = 6,
         .toolTip = u"Click to program the RSSI tolerance for extension radios"_s, .longestReply = u"XRSSI -120"_s,
         .editKind = K::Input, .commandWord = u"xrssi "_s, .labelStrip = u"XRSSI "_s,
         .prompt = u"Enter the minimum tolerance value for the extension radio's RSSI (-120 -- -40):"_s,
         .title = u"Program Minimum RSSI"_s, .editSpecial = S::PrefixMinusWhenAbsent,
         .restoreCheck = u"XRSSICheck"_s, .restoreCaption = u"Restore Extension RSSI"_s, .restoreOrder = 31,
         .restoreGroup = 9, .restoreReadGate = G::NotBelow200,
         .reportOrder = 29, .reportQuery = u"xrssi"_s, .reportKeyword = u"XRSSI"_s, .reportStatus = u"XRSSI"_s},

        {.keyword = u"show sync"_s, .box = u"ShowSync"_s, .readOutPosition = 36, .readOutGroup = 9,
         .label = u"ShowSyncLabel"_s, .caption = u"Show Sync"_s, .page = 4, .pageRow = 7,
         .toolTip = u"Shows information about the master (or extension) radio this current radio is "
                    u"synchronized with. Click to refresh this information"_s,
         .longestReply = u"DEPTH 2 UNIT 65000 XADDR 31"_s,
         .editKind = K::Reread, .commandWord = u"show sync"_s},

        {.keyword = u"dtype"_s, .box = u"DTYPE"_s, .readOutPosition = 37, .readOutGroup = 10, .gate = G::From200,
         .label = u"DTypeLabel"_s, .caption = u"DTYPE"_s, .page = 5, .pageRow = 0,
         .toolTip = u"Click to program the diagnostic type"_s, .longestReply = u"DTYPE NODE"_s,
         .editKind = K::Dialog,
         .restoreCheck = u"DTYPECheck"_s, .restoreCaption = u"Restore DTYPE"_s, .restoreOrder = 33,
         .restoreGroup = 10, .restoreReadGate = G::From200,
         .reportOrder = 31, .reportQuery = u"dtype"_s, .reportKeyword = u"DTYPE"_s, .reportStatus = u"DTYPE"_s},

        {.keyword = u"dlink"_s, .box = u"DLINK"_s, .readOutPosition = 38, .readOutGroup = 10, .gate = G::From200,
         .label = u"DLinkLabel"_s, .caption = u"DLINK"_s, .page = 5, .pageRow = 1,
         .toolTip = u"Click to turn the diagnostic link on or off"_s, .longestReply = u"DLINK 115200 (OFF)"_s,
         .editKind = K::Dialog,
         .restoreCheck = u"DLINKCheck"_s, .restoreCaption = u"Restore DLINK"_s, .restoreOrder = 34,
         .restoreGroup = 10, .restoreReadGate = G::From200,
         .reportOrder = 32, .reportQuery = u"dlink"_s, .reportKeyword = u"DLINK"_s, .reportStatus = u"DLINK"_s},

        {.keyword = u"rtu"_s, .box = u"SoftRTU"_s, .readOutPosition = 39, .readOutGroup = 10, .gate = G::From200,
         .label = u"SoftRTULabel"_s, .caption = u"Software RTU"_s, .page = 5, .pageRow = 2,
         .toolTip = u"Click to turn software RTU on or off"_s, .longestReply = u"RTU 80 (OFF)"_s,
         .editKind = K::Dialog,
         .restoreCheck = u"SoftRTUCheck"_s, .restoreCaption = u"Restore Software RTU"_s, .restoreOrder = 35,
         .restoreGroup = 10, .restoreReadGate = G::From200},
    };
}

} // namespace

const QList<RadioSetting> &RadioSettingCatalogue()
{
    static const QList<RadioSetting> rows = buildCatalogue();
    return rows;
}

const RadioSetting *findSettingByKeyword(const QString &keyword)
{
    for (const RadioSetting &row : RadioSettingCatalogue())
        if (row.keyword.compare(keyword, Qt::CaseInsensitive) == 0)
            return &row;
    return nullptr;
}

const RadioSetting *findSettingByBox(const QString &boxName)
{
    for (const RadioSetting &row : RadioSettingCatalogue())
        if (row.box == boxName)
            return &row;
    return nullptr;
}

const RadioSetting *findSettingByLabel(const QString &labelName)
{
    for (const RadioSetting &row : RadioSettingCatalogue())
        if (row.label == labelName)
            return &row;
    return nullptr;
}

std::optional<double> firmwareRevisionValue(const QString &FirmwareRevNumber)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(FirmwareRevNumber.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

namespace {

// "revision below N"; true when the revision cannot be read, as the tests have always taken it.
bool revisionBelow(double threshold, const QString &FirmwareRevNumber)
{
    const std::optional<double> value = firmwareRevisionValue(FirmwareRevNumber);
    return !value || *value < threshold;
}

// "revision N or more"; likewise true when the revision cannot be read.
bool revisionAtLeast(double threshold, const QString &FirmwareRevNumber)
{
    const std::optional<double> value = firmwareRevisionValue(FirmwareRevNumber);
    return !value || *value >= threshold;
}

} // namespace

bool revisionGatePasses(RevisionGate gate, const QString &FirmwareRevNumber)
{
    switch (gate) {
    case RevisionGate::None:
        return true;
    case RevisionGate::Below200:
        return revisionBelow(200, FirmwareRevNumber);
    case RevisionGate::From200:
        return revisionAtLeast(200, FirmwareRevNumber);
    case RevisionGate::NotBelow200:
        return !revisionBelow(200, FirmwareRevNumber);
    case RevisionGate::From300:
        return revisionAtLeast(300, FirmwareRevNumber);
    case RevisionGate::From320:
        return revisionAtLeast(320, FirmwareRevNumber);
    }
    return true;
}

bool versionLayoutShows(RevisionGate gate, const QString &FirmwareRevNumber)
{
    switch (gate) {
    case RevisionGate::None:
        return true;
    case RevisionGate::Below200:
        return revisionBelow(200, FirmwareRevNumber);
    case RevisionGate::From200:
    case RevisionGate::NotBelow200:
        return !revisionBelow(200, FirmwareRevNumber);
    case RevisionGate::From300:
        return !revisionBelow(300, FirmwareRevNumber);
    case RevisionGate::From320:
        return !revisionBelow(320, FirmwareRevNumber);
    }
    return true;
}
