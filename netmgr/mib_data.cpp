// The constant tables of the network manager's identifier space.
#include "netmgr/mib_tables.h"

namespace vlm::netmgr {

// One record per identifier, in identifier order: name, syntax, kind, access,
// OID.
const MibObject MibObjectTable[kMibObjectCount] = {
    {"vlmDeviceInfoTable", "X", "X", "N", "1.3.6.1.2.1.25.3.2"},  // 0
    {"vlmDeviceInfoIndex", "X", "X", "N", "1.3.6.1.2.1.25.3.2.1.2"},  // 1
    {"vlmDeviceInfoIndex", "I", "S", "N", "1.3.6.1.2.1.25.3.2.1.1"},  // 2
    {"Device Type", "OS", "S", "N", "1.3.6.1.2.1.25.3.2.1.2"},  // 3
    {"Description", "OS", "S", "N", "1.3.6.1.2.1.25.3.2.1.3"},  // 4
    {"vlmDeviceInfoID", "OS", "S", "N", "1.3.6.1.2.1.25.3.2.1.4"},  // 5
    {"Status", "I", "S", "N", "1.3.6.1.2.1.25.3.2.1.5"},  // 6
    {"No. of Errors", "I", "S", "N", "1.3.6.1.2.1.25.3.2.1.6"},  // 7
    {"PrinterInputInfoTable", "X", "X", "N", "1.3.6.1.2.1.43.8.2"},  // 8
    {"PrinterInputInfoIndex", "X", "X", "N", "1.3.6.1.4.1.2364.1.2.3.1.1.1.4"},  // 9
    {"PrinterInputInfoIndex", "I", "X", "R", "1.3.6.1.2.1.43.8.2.1.1"},  // 10
    {"Unit Type", "I", "X", "R", "1.3.6.1.2.1.43.8.2.1.2"},  // 11
    {"PrinterInputInfoDimUnit", "I", "X", "R", "1.3.6.1.2.1.43.8.2.1.3"},  // 12
    {"PrinterInputInfoMediaDimFeedDirDeclared", "I", "X", "R", "1.3.6.1.2.1.43.8.2.1.4"},  // 13
    {"PrinterInputInfoMediaDimXFeedDirDeclared", "I", "X", "R", "1.3.6.1.2.1.43.8.2.1.5"},  // 14
    {"PrinterInputInfoMediaDimFeedDirChosen", "I", "X", "R", "1.3.6.1.2.1.43.8.2.1.6"},  // 15
    {"PrinterInputInfoMediaDimXFeedDirChosen", "I", "X", "R", "1.3.6.1.2.1.43.8.2.1.7"},  // 16
    {"PrinterInputInfoCapacityUnit", "I", "X", "R", "1.3.6.1.2.1.43.8.2.1.8"},  // 17
    {"Maximum Capacity", "I", "X", "W", "1.3.6.1.2.1.43.8.2.1.9"},  // 18
    {"Current Level", "I", "X", "W", "1.3.6.1.2.1.43.8.2.1.10"},  // 19
    {"PrinterInputInfoStatus", "I", "X", "R", "1.3.6.1.2.1.43.8.2.1.11"},  // 20
    {"Media Name", "OS", "X", "W", "1.3.6.1.2.1.43.8.2.1.12"},  // 21
    {"Unit Name", "OS", "X", "W", "1.3.6.1.2.1.43.8.2.1.13"},  // 22
    {"PrinterInputInfoVendorName", "OS", "X", "R", "1.3.6.1.2.1.43.8.2.1.14"},  // 23
    {"PrinterInputInfoModel", "OS", "X", "R", "1.3.6.1.2.1.43.8.2.1.15"},  // 24
    {"PrinterInputInfoVersion", "OS", "X", "R", "1.3.6.1.2.1.43.8.2.1.16"},  // 25
    {"PrinterInputInfoSerialNumber", "OS", "X", "R", "1.3.6.1.2.1.43.8.2.1.17"},  // 26
    {"Description", "OS", "X", "R", "1.3.6.1.2.1.43.8.2.1.18"},  // 27
    {"PrinterInputInfoSecurity", "I", "X", "R", "1.3.6.1.2.1.43.8.2.1.19"},  // 28
    {"PrinterInputInfoMediaWeight", "I", "X", "N", "1.3.6.1.2.1.43.8.2.1.20"},  // 29
    {"PrinterInputInfoMediaType", "OS", "X", "N", "1.3.6.1.2.1.43.8.2.1.21"},  // 30
    {"PrinterInputInfoMediaColor", "OS", "X", "N", "1.3.6.1.2.1.43.8.2.1.22"},  // 31
    {"PrinterInputInfoMediaFormParts", "I", "X", "N", "1.3.6.1.2.1.43.8.2.1.23"},  // 32
    {"PrinterInputInfoMediaLoadTimeout", "I", "X", "R", "1.3.6.1.2.1.43.8.2.1.24"},  // 33
    {"PrinterInputInfoNextIndex", "I", "X", "R", "1.3.6.1.2.1.43.8.2.1.25"},  // 34
    {"vlmInputInfoType", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.1.1.1.1"},  // 35
    {"vlmInputInfoSize", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.1.1.1.2"},  // 36
    {"vlmInputInfoFeedOrientation", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.1.1.1.3"},  // 37
    {"PrinterOutputInfoTable", "X", "X", "R", "1.3.6.1.2.1.43.9.2"},  // 38
    {"PrinterOutputInfoIndex", "X", "X", "R", "1.3.6.1.4.1.2364.1.2.3.2.1.1.1"},  // 39
    {"PrinterOutputInfoIndex", "I", "X", "R", "1.3.6.1.2.1.43.9.2.1.1"},  // 40
    {"Unit Type", "I", "X", "R", "1.3.6.1.2.1.43.9.2.1.2"},  // 41
    {"PrinterOutputInfoCapacityUnit", "I", "X", "R", "1.3.6.1.2.1.43.9.2.1.3"},  // 42
    {"Maximum Capacity", "I", "X", "W", "1.3.6.1.2.1.43.9.2.1.4"},  // 43
    {"Remaining Capacity", "I", "X", "W", "1.3.6.1.2.1.43.9.2.1.5"},  // 44
    {"PrinterOutputInfoStatus", "I", "X", "R", "1.3.6.1.2.1.43.9.2.1.6"},  // 45
    {"Unit Name", "OS", "X", "W", "1.3.6.1.2.1.43.9.2.1.7"},  // 46
    {"PrinterOutputInfoVendorName", "OS", "X", "R", "1.3.6.1.2.1.43.9.2.1.8"},  // 47
    {"PrinterOutputInfoModel", "OS", "X", "R", "1.3.6.1.2.1.43.9.2.1.9"},  // 48
    {"PrinterOutputInfoVersion", "OS", "X", "R", "1.3.6.1.2.1.43.9.2.1.10"},  // 49
    {"PrinterOutputInfoSerialNumber", "OS", "X", "R", "1.3.6.1.2.1.43.9.2.1.11"},  // 50
    {"Unit Description", "OS", "X", "R", "1.3.6.1.2.1.43.9.2.1.12"},  // 51
    {"PrinterOutputInfoSecurity", "I", "X", "R", "1.3.6.1.2.1.43.9.2.1.13"},  // 52
    {"PrinterOutputInfoDimUnit", "I", "X", "R", "1.3.6.1.2.1.43.9.2.1.14"},  // 53
    {"PrinterOutputInfoMaxDimFeedDir", "I", "X", "R", "1.3.6.1.2.1.43.9.2.1.15"},  // 54
    {"PrinterOutputInfoMaxDimXFeedDir", "I", "X", "R", "1.3.6.1.2.1.43.9.2.1.16"},  // 55
    {"PrinterOutputInfoMinDimFeedDir", "I", "X", "R", "1.3.6.1.2.1.43.9.2.1.17"},  // 56
    {"PrinterOutputInfoMinDimXFeedDir", "I", "X", "R", "1.3.6.1.2.1.43.9.2.1.18"},  // 57
    {"PrinterOutputInfoStackingOrder", "I", "X", "R", "1.3.6.1.2.1.43.9.2.1.19"},  // 58
    {"PrinterOutputInfoPageDeliveryOrientation", "I", "X", "R", "1.3.6.1.2.1.43.9.2.1.20"},  // 59
    {"PrinterOutputInfoBursting", "I", "X", "R", "1.3.6.1.2.1.43.9.2.1.21"},  // 60
    {"PrinterOutputInfoDecollating", "I", "X", "R", "1.3.6.1.2.1.43.9.2.1.22"},  // 61
    {"PrinterOutputInfoPageCollated", "I", "X", "R", "1.3.6.1.2.1.43.9.2.1.23"},  // 62
    {"PrinterOutputInfoStacking", "I", "X", "R", "1.3.6.1.2.1.43.9.2.1.24"},  // 63
    {"vlmOutputInfoType", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.2.1.1.1"},  // 64
    {"Unit Location", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.2.1.1.2"},  // 65
    {"vlmSysInfoVector", "OS", "S", "R", "1.3.6.1.2.1.1.1"},  // 66
    {"vlmSysInfoDescription", "OS", "S", "R", "1.3.6.1.2.1.1.1.0"},  // 67
    {"vlmSysInfoObjectID", "OS", "S", "R", "1.3.6.1.2.1.1.2.0"},  // 68
    {"vlmSysInfoUpTime", "OS", "S", "R", "1.3.6.1.2.1.1.3.0"},  // 69
    {"vlmSysInfoContact", "OS", "S", "W", "1.3.6.1.2.1.1.4.0"},  // 70
    {"vlmSysInfoName", "OS", "S", "W", "1.3.6.1.2.1.1.5.0"},  // 71
    {"vlmSysInfoLocation", "OS", "S", "W", "1.3.6.1.2.1.1.6.0"},  // 72
    {"vlmSysInfoServices", "I", "S", "R", "1.3.6.1.2.1.1.7.0"},  // 73
    {"vlmProductIDVector", "X", "X", "N", "1.3.6.1.4.1.2364.1.1.1.1"},  // 74
    {"vlmProductIDIndex", "I", "X", "R", "1.3.6.1.4.1.2364.1.1.1.1.1.2"},  // 75
    {"vlmProductIDIndex", "I", "X", "R", "1.3.6.1.4.1.2364.1.1.1.1.1.1"},  // 76
    {"vlmProductIDName", "OS", "X", "R", "1.3.6.1.4.1.2364.1.1.1.1.1.2"},  // 77
    {"vlmProductIDLocation", "OS", "X", "W", "1.3.6.1.4.1.2364.1.1.1.1.1.3"},  // 78
    {"vlmProductIDType", "I", "X", "R", "1.3.6.1.4.1.2364.1.1.1.1.1.4"},  // 79
    {"vlmProductIDVersionNumber", "OS", "X", "R", "1.3.6.1.4.1.2364.1.1.1.1.1.5"},  // 80
    {"vlmProductIDGeneralStatus", "I", "X", "R", "1.3.6.1.4.1.2364.1.1.1.1.1.6"},  // 81
    {"vlmSNMPVector", "X", "X", "N", "1.3.6.1.4.1.2364.1.1.2.1"},  // 82
    {"vlmSNMPIndex", "I", "X", "R", "1.3.6.1.4.1.2364.1.1.2.1.1.2"},  // 83
    {"vlmSNMPIndex", "I", "X", "R", "1.3.6.1.4.1.2364.1.1.2.1.1.1"},  // 84
    {"vlmSNMPVLMMIBVersion", "OS", "X", "R", "1.3.6.1.4.1.2364.1.1.2.1.1.2"},  // 85
    {"vlmSNMPVersion", "OS", "X", "R", "1.3.6.1.4.1.2364.1.1.2.1.1.3"},  // 86
    {"vlmOperationalVector", "X", "X", "N", "1.3.6.1.4.1.2364.1.1.3.1"},  // 87
    {"vlmOperationalIndex", "I", "X", "R", "1.3.6.1.4.1.2364.1.1.3.1.1.2"},  // 88
    {"vlmOperationalIndex", "I", "X", "R", "1.3.6.1.4.1.2364.1.1.3.1.1.1"},  // 89
    {"vlmOperationalStatus", "I", "X", "R", "1.3.6.1.4.1.2364.1.1.3.1.1.2"},  // 90
    {"vlmOperationalTimeUpDateAndTime", "OS", "X", "R", "1.3.6.1.4.1.2364.1.1.3.1.1.3"},  // 91
    {"vlmOperationalCurrentLocalizationNetCard", "OS", "X", "W", "1.3.6.1.4.1.2364.1.1.3.1.1.4"},  // 92
    {"vlmResponsiblePartySPVector", "X", "X", "N", "1.3.6.1.4.1.2364.1.2.1.1"},  // 93
    {"vlmResponsiblePartSPIndex", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.1.1.1.2"},  // 94
    {"vlmResponsiblePartySPIndex", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.1.1.1.1"},  // 95
    {"vlmResponsiblePartySPContactNumber", "OS", "X", "W", "1.3.6.1.4.1.2364.1.2.1.1.1.2"},  // 96
    {"vlmResponsiblePartySPLastService", "OS", "X", "W", "1.3.6.1.4.1.2364.1.2.1.1.1.3"},  // 97
    {"vlmResponsiblePartySPCallServiceManErrNumber", "OS", "X", "R", "1.3.6.1.4.1.2364.1.2.1.1.1.4"},  // 98
    {"vlmResponsiblePartyDMVector", "X", "X", "N", "1.3.6.1.4.1.2364.1.2.2.1"},  // 99
    {"vlmResponsiblePartyDMIndex", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.2.1.1.2"},  // 100
    {"vlmResponsiblePartyDMIndex", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.2.1.1.1"},  // 101
    {"vlmResponsiblePartyDMNumber", "OS", "X", "W", "1.3.6.1.4.1.2364.1.2.2.1.1.2"},  // 102
    {"vlmResponsiblePartyDMEmailAddress", "OS", "X", "W", "1.3.6.1.4.1.2364.1.2.2.1.1.3"},  // 103
    {"vlmFinisherVector", "X", "X", "N", "1.3.6.1.4.1.2364.1.2.3.2.2"},  // 104
    {"vlmFinisherIndex", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.2.2.1.2"},  // 105
    {"vlmFinisherIndex", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.2.2.1.1"},  // 106
    {"Offset Mode", "I", "X", "W", "1.3.6.1.4.1.2364.1.2.3.2.2.1.2"},  // 107
    {"Staple Mode", "I", "X", "W", "1.3.6.1.4.1.2364.1.2.3.2.2.1.3"},  // 108
    {"Collate Mode", "I", "X", "W", "1.3.6.1.4.1.2364.1.2.3.2.2.1.4"},  // 109
    {"Folding Mode", "I", "X", "W", "1.3.6.1.4.1.2364.1.2.3.2.2.1.5"},  // 110
    {"Finisher Name", "OS", "X", "R", "1.3.6.1.4.1.2364.1.2.3.2.2.1.6"},  // 111
    {"vlmConsoleVector", "X", "X", "N", "1.3.6.1.4.1.2364.1.2.3.3.1"},  // 112
    {"vlmConsoleIndex", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.3.1.1.1"},  // 113
    {"vlmConsoleIndex", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.3.1.1.2"},  // 114
    {"vlmConsoleMode", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.3.1.1.2"},  // 115
    {"vlmConsoleLines", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.3.1.1.3"},  // 116
    {"vlmConsoleChars", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.3.1.1.4"},  // 117
    {"vlmDisplayLineVector", "X", "X", "N", "1.3.6.1.4.1.2364.1.2.3.3.2"},  // 118
    {"vlmDisplayLineIndex", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.3.2.1.1"},  // 119
    {"vlmDisplayLineIndex", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.3.2.1.1"},  // 120
    {"vlmDisplayLineConsoleIndex", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.3.2.1.2"},  // 121
    {"vlmDisplayLineText", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.3.2.1.3"},  // 122
    {"vlmMemoryVector", "X", "X", "N", "1.3.6.1.4.1.2364.1.2.3.4.1"},  // 123
    {"vlmMemoryIndex", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.4.1.1.2"},  // 124
    {"vlmMemoryIndex", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.4.1.1.1"},  // 125
    {"vlmMemoryType", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.4.1.1.2"},  // 126
    {"vlmMemorySize", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.4.1.1.3"},  // 127
    {"vlmMemoryAvailable", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.4.1.1.4"},  // 128
    {"vlmMemoryAccessMode", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.4.1.1.5"},  // 129
    {"vlmDiskVector", "X", "X", "N", "1.3.6.1.4.1.2364.1.2.3.5.1"},  // 130
    {"vlmDiskIndex", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.5.1.1.2"},  // 131
    {"vlmDiskIndex", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.5.1.1.1"},  // 132
    {"vlmDiskType", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.5.1.1.2"},  // 133
    {"vlmDiskSize", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.5.1.1.3"},  // 134
    {"vlmDiskAvailable", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.5.1.1.4"},  // 135
    {"vlmFirmwareVector", "X", "X", "N", "1.3.6.1.4.1.2364.1.2.3.6.1"},  // 136
    {"vlmFirmwareIndex", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.6.1.1.2"},  // 137
    {"vlmFirmwareIndex", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.6.1.1.1"},  // 138
    {"vlmFirmwareType", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.6.1.1.2"},  // 139
    {"vlmFirmwareName", "OS", "X", "R", "1.3.6.1.4.1.2364.1.2.3.6.1.1.3"},  // 140
    {"vlmFirmwareVersion", "OS", "X", "R", "1.3.6.1.4.1.2364.1.2.3.6.1.1.4"},  // 141
    {"vlmControllerModuleVector", "X", "X", "N", "1.3.6.1.4.1.2364.1.2.3.7.1"},  // 142
    {"vlmControllerModuleIndex", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.7.1.1.2"},  // 143
    {"vlmControllerModuleIndex", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.7.1.1.1"},  // 144
    {"vlmControllerModuleType", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.7.1.1.2"},  // 145
    {"vlmControllerModuleName", "OS", "X", "R", "1.3.6.1.4.1.2364.1.2.3.7.1.1.3"},  // 146
    {"vlmControllerModuleVersion", "OS", "X", "R", "1.3.6.1.4.1.2364.1.2.3.7.1.1.4"},  // 147
    {"vlmEngineVector", "X", "X", "N", "1.3.6.1.4.1.2364.1.2.3.8.1"},  // 148
    {"vlmEngineIndex", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.8.1.1.2"},  // 149
    {"vlmEngineIndex", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.8.1.1.1"},  // 150
    {"Engine Resolution", "OS", "X", "R", "1.3.6.1.4.1.2364.1.2.3.8.1.1.2"},  // 151
    {"Engine Name", "OS", "X", "R", "1.3.6.1.4.1.2364.1.2.3.8.1.1.3"},  // 152
    {"Engine Model", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.8.1.1.4"},  // 153
    {"Engine Density", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.8.1.1.5"},  // 154
    {"vlmEngineDeveloperCount", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.8.1.1.6"},  // 155
    {"vlmEnginePMCount", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.8.1.1.7"},  // 156
    {"vlmEnginePrinterCount", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.8.1.1.8"},  // 157
    {"vlmEngineServiceCount", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.8.1.1.9"},  // 158
    {"vlmJobVector", "X", "X", "N", "1.3.6.1.4.1.2364.1.2.4.1"},  // 159
    {"vlmJobIndex", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.4.1.1.2"},  // 160
    {"vlmJobIndex", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.4.1.1.1"},  // 161
    {"Number Of Jobs", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.4.1.1.2"},  // 162
    {"Time To Print", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.4.1.1.3"},  // 163
    {"vlmActionVector", "X", "X", "N", "1.3.6.1.4.1.2364.1.2.5.1"},  // 164
    {"vlmActionIndex", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.5.1.1.2"},  // 165
    {"vlmActionIndex", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.5.1.1.1"},  // 166
    {"vlmActionOnline", "I", "X", "W", "1.3.6.1.4.1.2364.1.2.5.1.1.2"},  // 167
    {"vlmActionOnOff", "I", "X", "W", "1.3.6.1.4.1.2364.1.2.5.1.1.3"},  // 168
    {"vlmActionTestPrint", "I", "X", "W", "1.3.6.1.4.1.2364.1.2.5.1.1.4"},  // 169
    {"vlmActionPCLTestPrint", "I", "X", "W", "1.3.6.1.4.1.2364.1.2.5.1.1.5"},  // 170
    {"vlmActionPSTestPrint", "I", "X", "W", "1.3.6.1.4.1.2364.1.2.5.1.1.6"},  // 171
    {"vlmActionPCLFontTestPrint", "I", "X", "W", "1.3.6.1.4.1.2364.1.2.5.1.1.7"},  // 172
    {"vlmActionPSFontTestPrint", "I", "X", "W", "1.3.6.1.4.1.2364.1.2.5.1.1.8"},  // 173
    {"vlmActionConfigurationTestPrint", "I", "X", "W", "1.3.6.1.4.1.2364.1.2.5.1.1.9"},  // 174
    {"vlmAlertVector", "X", "X", "N", "1.3.6.1.4.1.2364.1.2.6.1"},  // 175
    {"vlmAlertIndex", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.6.1.1.2"},  // 176
    {"vlmAlertIndex", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.6.1.1.1"},  // 177
    {"vlmAlertSeverityLevel", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.6.1.1.2"},  // 178
    {"vlmAlertTrainingLevel", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.6.1.1.3"},  // 179
    {"vlmAlertCode", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.6.1.1.4"},  // 180
    {"vlmAlertDescription", "OS", "X", "R", "1.3.6.1.4.1.2364.1.2.6.1.1.5"},  // 181
    {"vlmAlertTime", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.6.1.1.6"},  // 182
    {"vlmAlertTimeDateAndTime", "OS", "X", "R", "1.3.6.1.4.1.2364.1.2.6.1.1.7"},  // 183
    {"vlmAlertMaskID", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.6.1.1.8"},  // 184
    {"prtGeneralCurrentOperator", "OS", "X", "N", "1.3.6.1.2.1.43.5.1.1.4"},  // 185
    {"vlmEngineStatus", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.8.1.1.10"},  // 186
    {"vlmInputInfoMediaType", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.1.1.1.4"},  // 187
    {"vlmInputInfoTrayStatus", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.1.1.1.5"},  // 188
    {"vlmProductIDControllerName", "OS", "X", "R", "1.3.6.1.4.1.2364.1.1.1.1.1.7"},  // 189
    {"prtGeneralCurrentOperator", "OS", "X", "W", "1.3.6.1.2.1.43.5.1.1.16"},  // 190
    {"prtGeneralTable", "X", "X", "N", "1.3.6.1.2.1.43.5.1"},  // 191
    {"prtGeneralEntry", "I", "X", "N", "1.3.6.1.2.1.43.5.1"},  // 192
    {"prtInterpreterTable", "X", "X", "N", "1.3.6.1.2.1.43.15.1"},  // 193
    {"prtInterpreterEntry", "I", "X", "N", "1.3.6.1.2.1.43.15.1"},  // 194
    {"prtInterpreterLangFamily", "I", "X", "R", "1.3.6.1.2.1.43.15.1.1.2"},  // 195
    {"vlmProductIDSpoolMode", "I", "X", "W", "1.3.6.1.4.1.2364.1.1.1.1.1.9"},  // 196
    {"vlmProductIDBannerOption", "I", "X", "W", "1.3.6.1.4.1.2364.1.1.1.1.1.10"},  // 197
    {"vlmProductIDCopierTimeout", "I", "X", "W", "1.3.6.1.4.1.2364.1.1.1.1.1.11"},  // 198
    {"vlmTrapVector", "X", "X", "N", "1.3.6.1.4.1.2364.1.2.7.1"},  // 199
    {"vlmTrapKey", "I", "X", "W", "1.3.6.1.4.1.2364.1.2.7.1.1.2"},  // 200
    {"vlmTrapIndex", "I", "X", "N", "1.3.6.1.4.1.2364.1.2.7.1.1.1"},  // 201
    {"vlmTrapProtocol", "I", "X", "W", "1.3.6.1.4.1.2364.1.2.7.1.1.2"},  // 202
    {"vlmTrapAddress", "OS", "X", "W", "1.3.6.1.4.1.2364.1.2.7.1.1.3"},  // 203
    {"vlmTrapSocketNumber", "I", "X", "W", "1.3.6.1.4.1.2364.1.2.7.1.1.4"},  // 204
    {"vlmTrapAlertMask", "I", "X", "W", "1.3.6.1.4.1.2364.1.2.7.1.1.5"},  // 205
    {"vlmProductIDSystemOptions", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.8.1.1.11"},  // 206
    {"vlmTotalCount", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.8.1.1.12"},  // 207
    {"vlmHDInstalled", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.5.1.1.5"},  // 208
    {"vlmIDInfoInterpreter", "I", "X", "R", "1.3.6.1.4.1.2364.1.1.1.1.1.12"},  // 209
    {"vlmOptionTable", "X", "X", "N", "1.3.6.1.4.1.2364.1.2.3.10.1"},  // 210
    {"vlmOptionIndex", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.10.1.1.2"},  // 211
    {"vlmOptionIndex", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.10.1.1.1"},  // 212
    {"vlmOptionType", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.10.1.1.2"},  // 213
    {"vlmOptionName", "OS", "X", "R", "1.3.6.1.4.1.2364.1.2.3.10.1.1.3"},  // 214
    {"vlmOptionStatus", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.10.1.1.4"},  // 215
    {"vlmInputSizeWide", "I", "X", "R", "1.3.6.1.4.1.2364.1.2.3.1.1.1.6"},  // 216
    {"vlmProductIDTandem", "I", "X", "R", "1.3.6.1.4.1.2364.1.1.1.1.1.8"},  // 217
};

// Identifier, name, vector counted, label.
const CountScalar CountScalarTable[kCountScalarCount] = {
    {8001, "InputUnitCount", 8, "Input Unit Count"},  // PrinterInputInfoTable
    {8002, "OutputUnitCount", 38, "Output Unit Count"},  // PrinterOutputInfoTable
    {8003, "JobCountScalar", 159, "Job Count"},  // vlmJobVector
    {8004, "AlertCount", 175, "Alert Count"},  // vlmAlertVector
    {8005, "DiskCount", 130, "Number of Disks"},  // vlmDiskVector
    {8006, "FinisherCount", 104, "Finisher Count"},  // vlmFinisherVector
    {8007, "ConsoleCount", 112, "Number of Consoles"},  // vlmConsoleVector
    {8008, "DisplayLineCount", 118, "Number of DisplayLines"},  // vlmDisplayLineVector
    {8009, "MemoryCount", 123, "Number of Memory Units"},  // vlmMemoryVector
    {8010, "EngineCount", 148, "Number of Engines"},  // vlmEngineVector
    {8011, "InterpreterCount", 193, "Number of Interpreters"},  // prtInterpreterTable
    {8012, "FirmwareCount", 136, "Firmware Count"},  // vlmFirmwareVector
    {8013, "OptionCount", 210, "Option Count"},  // vlmOptionTable
};

// Members of groups 1001-1041; the rest of each row is 0.
const std::int32_t ScalarGroupTable[kGroupCount][kGroupWidth] = {
    {8001, 8002},  // 1001 UnitCountGroup
    {22, 27, 36, 187, 188, 216},  // 1002 InputUnitGroup
    {46, 64},  // 1003 OutputUnitGroup
    {67, 68, 69, 70, 71, 72, 73},  // 1004 SystemInfoGroup
    {77, 78, 189},  // 1005 ProductIdGroup
    {85, 86},  // 1006 SnmpVersionGroup
    {90},  // 1007 OperationalGroup
    {96, 97, 98},  // 1008 ServicePartyGroup
    {102, 103},  // 1009 DeviceManagerPartyGroup
    {107, 108, 109, 110, 111},  // 1010 FinisherGroup
    {114, 115, 116, 117},  // 1011 ConsoleGroup
    {120, 121, 122},  // 1012 DisplayLineGroup
    {126, 127, 128},  // 1013 MemoryGroup
    {133, 134, 135},  // 1014 DiskGroup
    {139, 140, 141},  // 1015 FirmwareGroup
    {145, 146, 147},  // 1016 ControllerModuleGroup
    {151, 152, 153, 154, 155, 156, 157, 158},  // 1017 EngineGroup
    {162, 163},  // 1018 JobSummaryGroup
    {167},  // 1019 ActionGroup
    {178, 179, 181, 183},  // 1020 AlertGroup
    {3, 4, 5, 6, 7},  // 1021 DeviceInfoGroup
    {6},  // 1022 DeviceInfoStatusGroup
    {188},  // 1023 TrayStatusGroup
    {44},  // 1024 RemainingCapacityGroup
    {107, 108, 109, 110},  // 1025 FinisherModeGroup
    {6001, 6002, 6003},  // 1026 DeviceGroup
    {151},  // 1027 EngineResolutionGroup
    {8004, 8009},  // 1028 AlertMemoryCountGroup
    {7002},  // 1029 JobListGroup
    {7004, 7005, 7006, 7007, 7008, 7010, 7011, 7012, 7009},  // 1030 JobGroup
    {185, 190},  // 1031 CurrentOperatorGroup
    {77, 78, 79, 81, 189},  // 1032 ProductIdStatusGroup
    {186},  // 1033 EngineStatusGroup
    {178, 179, 181, 183},  // 1034 AlertListGroup
    {81},  // 1035 GeneralStatusGroup
    {8004},  // 1036 AlertCountGroup
    {128},  // 1037 MemoryAvailableGroup
    {135},  // 1038 DiskAvailableGroup
    {6004},  // 1039 InstalledPrinterCountGroup
    {6004},  // 1040 OtherDeviceCountGroup
    {195},  // 1041 InterpreterLanguageGroup
};

const char* const ScalarGroupNames[kGroupCount] = {
    "UnitCountGroup",  // 1001
    "InputUnitGroup",  // 1002
    "OutputUnitGroup",  // 1003
    "SystemInfoGroup",  // 1004
    "ProductIdGroup",  // 1005
    "SnmpVersionGroup",  // 1006
    "OperationalGroup",  // 1007
    "ServicePartyGroup",  // 1008
    "DeviceManagerPartyGroup",  // 1009
    "FinisherGroup",  // 1010
    "ConsoleGroup",  // 1011
    "DisplayLineGroup",  // 1012
    "MemoryGroup",  // 1013
    "DiskGroup",  // 1014
    "FirmwareGroup",  // 1015
    "ControllerModuleGroup",  // 1016
    "EngineGroup",  // 1017
    "JobSummaryGroup",  // 1018
    "ActionGroup",  // 1019
    "AlertGroup",  // 1020
    "DeviceInfoGroup",  // 1021
    "DeviceInfoStatusGroup",  // 1022
    "TrayStatusGroup",  // 1023
    "RemainingCapacityGroup",  // 1024
    "FinisherModeGroup",  // 1025
    "DeviceGroup",  // 1026
    "EngineResolutionGroup",  // 1027
    "AlertMemoryCountGroup",  // 1028
    "JobListGroup",  // 1029
    "JobGroup",  // 1030
    "CurrentOperatorGroup",  // 1031
    "ProductIdStatusGroup",  // 1032
    "EngineStatusGroup",  // 1033
    "AlertListGroup",  // 1034
    "GeneralStatusGroup",  // 1035
    "AlertCountGroup",  // 1036
    "MemoryAvailableGroup",  // 1037
    "DiskAvailableGroup",  // 1038
    "InstalledPrinterCountGroup",  // 1039
    "OtherDeviceCountGroup",  // 1040
    "InterpreterLanguageGroup",  // 1041
};

// The network manager's string resources: the display label of each
// identifier 0-217 (English, United States); trailing blanks belong to the
// text.
extern const char* const kMibLabels[kMibObjectCount];
const char* const kMibLabels[kMibObjectCount] = {
    "",  // 0
    "",  // 1
    "",  // 2
    "Type",  // 3
    "Description",  // 4
    "Info ID",  // 5
    "Current Status",  // 6
    "No. Of Errors",  // 7
    "",  // 8
    "",  // 9
    "",  // 10
    "Unit Type",  // 11
    "Dim Unit",  // 12
    "Dim Feed Dir Declared",  // 13
    "Dim X Feed Dir Decl",  // 14
    "Dim Feed Dir Chosen",  // 15
    "Dim X Feed Dir Chosen",  // 16
    "Capacity Unit",  // 17
    "Max Capacity",  // 18
    "Current Level",  // 19
    "Status",  // 20
    "Media Name",  // 21
    "Unit Name",  // 22
    "",  // 23
    "Model",  // 24
    "Version ",  // 25
    "Serial Number",  // 26
    "Description",  // 27
    "",  // 28
    "",  // 29
    "Media Type",  // 30
    "",  // 31
    "",  // 32
    "",  // 33
    "",  // 34
    "Type",  // 35
    "Size",  // 36
    "Feed Orientation",  // 37
    "",  // 38
    "",  // 39
    "Type",  // 40
    "",  // 41
    "",  // 42
    "Max Capacity",  // 43
    "Remaining Capacity",  // 44
    "Status",  // 45
    "Unit Name",  // 46
    "",  // 47
    "",  // 48
    "",  // 49
    "",  // 50
    "Description",  // 51
    "",  // 52
    "",  // 53
    "",  // 54
    "",  // 55
    "",  // 56
    "",  // 57
    "",  // 58
    "",  // 59
    "",  // 60
    "",  // 61
    "",  // 62
    "",  // 63
    "Type",  // 64
    "Location",  // 65
    "",  // 66
    "",  // 67
    "",  // 68
    "",  // 69
    "",  // 70
    "",  // 71
    "",  // 72
    "",  // 73
    "",  // 74
    "",  // 75
    "",  // 76
    "Device Name",  // 77
    "Device Location",  // 78
    "Device Type",  // 79
    "Device Version",  // 80
    "Controller Status",  // 81
    "",  // 82
    "",  // 83
    "",  // 84
    "",  // 85
    "",  // 86
    "",  // 87
    "",  // 88
    "",  // 89
    "",  // 90
    "",  // 91
    "",  // 92
    "",  // 93
    "",  // 94
    "",  // 95
    "",  // 96
    "",  // 97
    "",  // 98
    "",  // 99
    "",  // 100
    "",  // 101
    "",  // 102
    "",  // 103
    "",  // 104
    "",  // 105
    "",  // 106
    "Offset Mode",  // 107
    "Staple Mode",  // 108
    "Collate Mode",  // 109
    "Folding Mode ",  // 110
    "Name",  // 111
    "",  // 112
    "",  // 113
    "",  // 114
    "",  // 115
    "",  // 116
    "",  // 117
    "",  // 118
    "",  // 119
    "",  // 120
    "",  // 121
    "",  // 122
    "",  // 123
    "",  // 124
    "",  // 125
    "Memory Type",  // 126
    "Memory Size",  // 127
    "Available Memory",  // 128
    "",  // 129
    "",  // 130
    "",  // 131
    "",  // 132
    "Disk Type",  // 133
    "Disk Size",  // 134
    "Available Disk Space",  // 135
    "",  // 136
    "",  // 137
    "",  // 138
    "",  // 139
    "",  // 140
    "",  // 141
    "",  // 142
    "",  // 143
    "",  // 144
    "",  // 145
    "",  // 146
    "",  // 147
    "",  // 148
    "",  // 149
    "",  // 150
    "Resolution",  // 151
    "Name",  // 152
    "Model",  // 153
    "Density",  // 154
    "",  // 155
    "",  // 156
    "",  // 157
    "",  // 158
    "",  // 159
    "",  // 160
    "",  // 161
    "Number of Jobs",  // 162
    "Time to Print",  // 163
    "",  // 164
    "",  // 165
    "",  // 166
    "",  // 167
    "",  // 168
    "",  // 169
    "",  // 170
    "",  // 171
    "",  // 172
    "",  // 173
    "",  // 174
    "",  // 175
    "",  // 176
    "",  // 177
    "Severity Level",  // 178
    "Training Level",  // 179
    "Code",  // 180
    "Active Error",  // 181
    "",  // 182
    "Date & Time",  // 183
    "",  // 184
    "",  // 185
    "Engine Status",  // 186
    "Media Type",  // 187
    "Tray Status",  // 188
    "Controller Name",  // 189
    "",  // 190
    "",  // 191
    "",  // 192
    "",  // 193
    "",  // 194
    "Language Family",  // 195
    "",  // 196
    "",  // 197
    "",  // 198
    "",  // 199
    "",  // 200
    "",  // 201
    "",  // 202
    "",  // 203
    "",  // 204
    "",  // 205
    "",  // 206
    "",  // 207
    "",  // 208
    "",  // 209
    "",  // 210
    "",  // 211
    "",  // 212
    "",  // 213
    "",  // 214
    "",  // 215
    "",  // 216
    "",  // 217
};

}  // namespace vlm::netmgr
