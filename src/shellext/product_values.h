// Registry values, buffer sizes and files of the extension. The keys they
// are in are the product's (product_keys.h).
#pragma once

// Buffers for printer and driver names, paths and registry strings.
constexpr unsigned kNameSize = 260;

constexpr char kDebugSwitchValue[] = "Monext01";
constexpr char kTargetNameValue[] = "Name";
constexpr char kMonitoringValue[] = "Monitoring";
constexpr char kXimpTypeValue[] = "XIMPType";
constexpr char kInstallPathValue[] = "InstallPath";
constexpr char kModelIdValue[] = "ModelID";
constexpr char kMonrunValue[] = "MONRUN";
constexpr char kMoncfgValue[] = "MONCFG";

constexpr char kLogFile[] = "C:\\MONEXT01.LOG";
