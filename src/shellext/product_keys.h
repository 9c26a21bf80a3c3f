// Registry keys, values and files that the extension shares with the rest of
// the product. All keys are under HKEY_LOCAL_MACHINE.
#pragma once

// Buffers for printer and driver names, paths and registry strings.
constexpr unsigned kNameSize = 260;

constexpr char kProductKey[] = "software\\NORVA\\VTR3";
constexpr char kVtrDataKey[] = "software\\NORVA\\VTR3\\VTRData";
constexpr char kTargetKey[] = "software\\NORVA\\VTR3\\VTRData\\TXATarget";
constexpr char kDriverKeyPrefix[] = "software\\NORVA\\VTR3\\Driver\\";
constexpr char kProfileKey[] = "software\\NORVA\\VTR3\\Profile";
constexpr char kDebugKey[] = "software\\NORVA\\VTR3\\Debug";

constexpr char kDebugSwitchValue[] = "Monext01";
constexpr char kTargetNameValue[] = "Name";
constexpr char kMonitoringValue[] = "Monitoring";
constexpr char kXimpTypeValue[] = "XIMPType";
constexpr char kInstallPathValue[] = "InstallPath";
constexpr char kModelIdValue[] = "ModelID";
constexpr char kMonrunValue[] = "MONRUN";
constexpr char kMoncfgValue[] = "MONCFG";

constexpr char kLogFile[] = "C:\\MONEXT01.LOG";
