// The property lists of the classes, in the order the classes are documented. Generated from the
// published class definitions.
#include "platform/management/wmischema.h"

#include <QHash>
#include <QMutex>

namespace platform {

const std::vector<SchemaClass> &schemaClasses()
{
    static const std::vector<SchemaClass> classes = {
        {"Win32_1394Controller",
         "Availability i,Caption t,ConfigManagerErrorCode i,ConfigManagerUserConfig b,CreationClassName t,"
         "Description t,DeviceID t,ErrorCleared b,ErrorDescription t,InstallDate t,LastErrorCode i,"
         "Manufacturer t,MaxNumberControlled i,Name t,PNPDeviceID t,PowerManagementCapabilities a,"
         "PowerManagementSupported b,ProtocolSupported i,Status t,StatusInfo i,SystemCreationClassName t,"
         "SystemName t,TimeOfLastReset t"},
        {"Win32_AssociatedBattery",
         "Antecedent t,Dependent t"},
        {"Win32_BaseBoard",
         "Caption t,ConfigOptions a,CreationClassName t,Depth r,Description t,Height r,HostingBoard b,"
         "HotSwappable b,InstallDate t,Manufacturer t,Model t,Name t,OtherIdentifyingInfo t,PartNumber t,"
         "PoweredOn b,Product t,Removable b,Replaceable b,RequirementsDescription t,RequiresDaughterBoard b,"
         "SerialNumber t,SKU t,SlotLayout t,SpecialRequirements b,Status t,Tag t,Version t,Weight r,Width r"},
        {"Win32_Battery",
         "Availability i,BatteryRechargeTime i,BatteryStatus i,Caption t,Chemistry i,ConfigManagerErrorCode i,"
         "ConfigManagerUserConfig b,CreationClassName t,Description t,DesignCapacity i,DesignVoltage t,"
         "DeviceID t,ErrorCleared b,ErrorDescription t,EstimatedChargeRemaining i,EstimatedRunTime i,"
         "ExpectedBatteryLife i,ExpectedLife i,FullChargeCapacity i,InstallDate t,LastErrorCode i,"
         "MaxRechargeTime i,Name t,PNPDeviceID t,PowerManagementCapabilities a,PowerManagementSupported b,"
         "SmartBatteryVersion t,Status t,StatusInfo i,SystemCreationClassName t,SystemName t,TimeOnBattery i,"
         "TimeToFullCharge i"},
        {"Win32_BIOS",
         "BiosCharacteristics a,BIOSVersion a,BuildNumber t,Caption t,CodeSet t,CurrentLanguage t,"
         "Description t,EmbeddedControllerMajorVersion i,EmbeddedControllerMinorVersion i,IdentificationCode t,"
         "InstallableLanguages i,InstallDate t,LanguageEdition t,ListOfLanguages a,Manufacturer t,Name t,"
         "OtherTargetOS t,PrimaryBIOS b,ReleaseDate t,SerialNumber t,SMBIOSBIOSVersion t,SMBIOSMajorVersion i,"
         "SMBIOSMinorVersion i,SMBIOSPresent b,SoftwareElementID t,SoftwareElementState i,Status t,"
         "SystemBiosMajorVersion i,SystemBiosMinorVersion i,TargetOperatingSystem i,Version t"},
        {"Win32_Bus",
         "Availability i,BusNum i,BusType i,Caption t,ConfigManagerErrorCode i,ConfigManagerUserConfig b,"
         "CreationClassName t,Description t,DeviceID t,ErrorCleared b,ErrorDescription t,InstallDate t,"
         "LastErrorCode i,Name t,PNPDeviceID t,PowerManagementCapabilities a,PowerManagementSupported b,"
         "Status t,StatusInfo i,SystemCreationClassName t,SystemName t"},
        {"Win32_CacheMemory",
         "Access i,AdditionalErrorData a,Associativity i,Availability i,BlockSize t,CacheSpeed i,CacheType i,"
         "Caption t,ConfigManagerErrorCode i,ConfigManagerUserConfig b,CorrectableError b,CreationClassName t,"
         "CurrentSRAM a,Description t,DeviceID t,EndingAddress t,ErrorAccess i,ErrorAddress t,ErrorCleared b,"
         "ErrorCorrectType i,ErrorData a,ErrorDataOrder i,ErrorDescription t,ErrorInfo i,ErrorMethodology t,"
         "ErrorResolution t,ErrorTime t,ErrorTransferSize i,FlushTimer i,InstallDate t,InstalledSize i,"
         "LastErrorCode i,Level i,LineSize i,Location i,MaxCacheSize i,Name t,NumberOfBlocks t,"
         "OtherErrorDescription t,PNPDeviceID t,PowerManagementCapabilities a,PowerManagementSupported b,"
         "Purpose t,ReadPolicy i,ReplacementPolicy i,StartingAddress t,Status t,StatusInfo i,SupportedSRAM a,"
         "SystemCreationClassName t,SystemLevelAddress b,SystemName t,WritePolicy i"},
        {"Win32_CDROMDrive",
         "Availability i,Capabilities a,CapabilityDescriptions a,Caption t,CompressionMethod t,"
         "ConfigManagerErrorCode i,ConfigManagerUserConfig b,CreationClassName t,DefaultBlockSize t,"
         "Description t,DeviceID t,Drive t,DriveIntegrity b,ErrorCleared b,ErrorDescription t,"
         "ErrorMethodology t,FileSystemFlags i,FileSystemFlagsEx i,Id t,InstallDate t,LastErrorCode i,"
         "Manufacturer t,MaxBlockSize t,MaximumComponentLength i,MaxMediaSize t,MediaLoaded b,MediaType t,"
         "MfrAssignedRevisionLevel t,MinBlockSize t,Name t,NeedsCleaning b,NumberOfMediaSupported i,"
         "PNPDeviceID t,PowerManagementCapabilities a,PowerManagementSupported b,RevisionLevel t,SCSIBus i,"
         "SCSILogicalUnit i,SCSIPort i,SCSITargetId i,SerialNumber t,Size t,Status t,StatusInfo i,"
         "SystemCreationClassName t,SystemName t,TransferRate r,VolumeName t,VolumeSerialNumber t"},
        {"Win32_ComputerSystem",
         "AdminPasswordStatus i,AutomaticManagedPagefile b,AutomaticResetBootOption b,"
         "AutomaticResetCapability b,BootOptionOnLimit i,BootOptionOnWatchDog i,BootROMSupported b,"
         "BootupState t,BootStatus a,Caption t,ChassisBootupState i,ChassisSKUNumber t,CreationClassName t,"
         "CurrentTimeZone i,DaylightInEffect b,Description t,DNSHostName t,Domain t,DomainRole i,"
         "EnableDaylightSavingsTime b,FrontPanelResetStatus i,HypervisorPresent b,InfraredSupported b,"
         "InitialLoadInfo a,InstallDate t,KeyboardPasswordStatus i,LastLoadInfo t,Manufacturer t,Model t,"
         "Name t,NameFormat t,NetworkServerModeEnabled b,NumberOfLogicalProcessors i,NumberOfProcessors i,"
         "OEMLogoBitmap a,OEMStringArray a,PartOfDomain b,PauseAfterReset t,PCSystemType i,PCSystemTypeEx i,"
         "PowerManagementCapabilities a,PowerManagementSupported b,PowerOnPasswordStatus i,PowerState i,"
         "PowerSupplyState i,PrimaryOwnerContact t,PrimaryOwnerName t,ResetCapability i,ResetCount i,"
         "ResetLimit i,Roles a,Status t,SupportContactDescription a,SystemFamily t,SystemSKUNumber t,"
         "SystemStartupDelay i,SystemStartupOptions a,SystemStartupSetting i,SystemType t,ThermalState i,"
         "TotalPhysicalMemory t,UserName t,WakeUpType i,Workgroup t"},
        {"Win32_CurrentProbe",
         "Accuracy i,Availability i,Caption t,ConfigManagerErrorCode i,ConfigManagerUserConfig b,"
         "CreationClassName t,CurrentReading i,Description t,DeviceID t,ErrorCleared b,ErrorDescription t,"
         "InstallDate t,IsLinear b,LastErrorCode i,LowerThresholdCritical i,LowerThresholdFatal i,"
         "LowerThresholdNonCritical i,MaxReadable i,MinReadable i,Name t,NominalReading i,NormalMax i,"
         "NormalMin i,PNPDeviceID t,PowerManagementCapabilities a,PowerManagementSupported b,Resolution i,"
         "Status t,StatusInfo i,SystemCreationClassName t,SystemName t,Tolerance i,UpperThresholdCritical i,"
         "UpperThresholdFatal i,UpperThresholdNonCritical i"},
        {"Win32_DesktopMonitor",
         "Availability i,Bandwidth i,Caption t,ConfigManagerErrorCode i,ConfigManagerUserConfig b,"
         "CreationClassName t,Description t,DeviceID t,DisplayType i,ErrorCleared b,ErrorDescription t,"
         "InstallDate t,IsLocked b,LastErrorCode i,MonitorManufacturer t,MonitorType t,Name t,"
         "PixelsPerXLogicalInch i,PixelsPerYLogicalInch i,PNPDeviceID t,PowerManagementCapabilities a,"
         "PowerManagementSupported b,ScreenHeight i,ScreenWidth i,Status t,StatusInfo i,"
         "SystemCreationClassName t,SystemName t"},
        {"Win32_DiskDrive",
         "Availability i,BytesPerSector i,Capabilities a,CapabilityDescriptions a,Caption t,"
         "CompressionMethod t,ConfigManagerErrorCode i,ConfigManagerUserConfig b,CreationClassName t,"
         "DefaultBlockSize t,Description t,DeviceID t,ErrorCleared b,ErrorDescription t,ErrorMethodology t,"
         "FirmwareRevision t,Index i,InstallDate t,InterfaceType t,LastErrorCode i,Manufacturer t,"
         "MaxBlockSize t,MaxMediaSize t,MediaLoaded b,MediaType t,MinBlockSize t,Model t,Name t,"
         "NeedsCleaning b,NumberOfMediaSupported i,Partitions i,PNPDeviceID t,PowerManagementCapabilities a,"
         "PowerManagementSupported b,SCSIBus i,SCSILogicalUnit i,SCSIPort i,SCSITargetId i,SectorsPerTrack i,"
         "SerialNumber t,Signature i,Size t,Status t,StatusInfo i,SystemCreationClassName t,SystemName t,"
         "TotalCylinders t,TotalHeads i,TotalSectors t,TotalTracks t,TracksPerCylinder i"},
        {"Win32_DisplayConfiguration",
         "BitsPerPel i,Caption t,Description t,DeviceName t,DisplayFlags i,DisplayFrequency i,DitherType i,"
         "DriverVersion t,ICMIntent i,ICMMethod i,LogPixels i,PelsHeight i,PelsWidth i,SettingID t,"
         "SpecificationVersion i"},
        {"Win32_DisplayControllerConfiguration",
         "Caption t,Description t,SettingID t,BitsPerPixel i,ColorPlanes i,DeviceEntriesInAColorTable i,"
         "DeviceSpecificPens i,HorizontalResolution i,Name t,RefreshRate i,ReservedSystemPaletteEntries i,"
         "SystemPaletteEntries i,VerticalResolution i,VideoMode t"},
        {"Win32_Fan",
         "ActiveCooling b,Availability i,Caption t,ConfigManagerErrorCode i,ConfigManagerUserConfig b,"
         "CreationClassName t,Description t,DesiredSpeed t,DeviceID t,ErrorCleared b,ErrorDescription t,"
         "InstallDate t,LastErrorCode i,Name t,PNPDeviceID t,PowerManagementCapabilities a,"
         "PowerManagementSupported b,Status t,StatusInfo i,SystemCreationClassName t,SystemName t,"
         "VariableSpeed b"},
        {"Win32_FloppyController",
         "Availability i,Caption t,ConfigManagerErrorCode i,ConfigManagerUserConfig b,CreationClassName t,"
         "Description t,DeviceID t,ErrorCleared b,ErrorDescription t,InstallDate t,LastErrorCode i,"
         "Manufacturer t,MaxNumberControlled i,Name t,PNPDeviceID t,PowerManagementCapabilities a,"
         "PowerManagementSupported b,ProtocolSupported i,Status t,StatusInfo i,SystemCreationClassName t,"
         "SystemName t,TimeOfLastReset t"},
        {"Win32_FloppyDrive",
         "Availability i,Capabilities a,CapabilityDescriptions a,Caption t,CompressionMethod t,"
         "ConfigManagerErrorCode i,ConfigManagerUserConfig b,CreationClassName t,DefaultBlockSize t,"
         "Description t,DeviceID t,ErrorCleared b,ErrorDescription t,ErrorMethodology t,InstallDate t,"
         "LastErrorCode i,Manufacturer t,MaxBlockSize t,MaxMediaSize t,MinBlockSize t,Name t,NeedsCleaning b,"
         "NumberOfMediaSupported i,PNPDeviceID t,PowerManagementCapabilities a,PowerManagementSupported b,"
         "Status t,StatusInfo i,SystemCreationClassName t,SystemName t"},
        {"Win32_HeatPipe",
         "ActiveCooling b,Availability i,Caption t,ConfigManagerErrorCode i,ConfigManagerUserConfig b,"
         "CreationClassName t,Description t,DeviceID t,ErrorCleared b,ErrorDescription t,InstallDate t,"
         "LastErrorCode i,Name t,PNPDeviceID t,PowerManagementCapabilities a,PowerManagementSupported b,"
         "Status t,StatusInfo i,SystemCreationClassName t,SystemName t"},
        {"Win32_IDEController",
         "Availability i,Caption t,ConfigManagerErrorCode i,ConfigManagerUserConfig b,CreationClassName t,"
         "Description t,DeviceID t,ErrorCleared b,ErrorDescription t,InstallDate t,LastErrorCode i,"
         "Manufacturer t,MaxNumberControlled i,Name t,PNPDeviceID t,PowerManagementCapabilities a,"
         "PowerManagementSupported b,ProtocolSupported i,Status t,StatusInfo i,SystemCreationClassName t,"
         "SystemName t,TimeOfLastReset t"},
        {"Win32_InfraredDevice",
         "Availability i,Caption t,ConfigManagerErrorCode i,ConfigManagerUserConfig b,CreationClassName t,"
         "Description t,DeviceID t,ErrorCleared b,ErrorDescription t,InstallDate t,LastErrorCode i,"
         "Manufacturer t,MaxNumberControlled i,Name t,PNPDeviceID t,PowerManagementCapabilities a,"
         "PowerManagementSupported b,ProtocolSupported i,Status t,StatusInfo i,SystemCreationClassName t,"
         "SystemName t,TimeOfLastReset t"},
        {"Win32_IRQResource",
         "Availability i,Caption t,CreationClassName t,CSCreationClassName t,CSName t,Description t,Hardware b,"
         "InstallDate t,IRQNumber i,Name t,Shareable b,Status t,TriggerLevel i,TriggerType i,Vector i"},
        {"Win32_Keyboard",
         "Availability i,Caption t,ConfigManagerErrorCode i,ConfigManagerUserConfig b,CreationClassName t,"
         "Description t,DeviceID t,ErrorCleared b,ErrorDescription t,InstallDate t,IsLocked b,LastErrorCode i,"
         "Layout t,Name t,NumberOfFunctionKeys i,Password i,PNPDeviceID t,PowerManagementCapabilities a,"
         "PowerManagementSupported b,Status t,StatusInfo i,SystemCreationClassName t,SystemName t"},
        {"Win32_MemoryArray",
         "Access i,AdditionalErrorData a,Availability i,BlockSize t,Caption t,ConfigManagerErrorCode i,"
         "ConfigManagerUserConfig b,CorrectableError b,CreationClassName t,Description t,DeviceID t,"
         "EndingAddress t,ErrorAccess i,ErrorAddress t,ErrorCleared b,ErrorData a,ErrorDataOrder i,"
         "ErrorDescription t,ErrorGranularity i,ErrorInfo i,ErrorMethodology t,ErrorResolution t,ErrorTime t,"
         "ErrorTransferSize i,InstallDate t,LastErrorCode i,Name t,NumberOfBlocks t,OtherErrorDescription t,"
         "PNPDeviceID t,PowerManagementCapabilities a,PowerManagementSupported b,Purpose t,StartingAddress t,"
         "Status t,StatusInfo i,SystemCreationClassName t,SystemLevelAddress b,SystemName t"},
        {"Win32_MemoryDevice",
         "Access i,AdditionalErrorData a,Availability i,BlockSize t,Caption t,ConfigManagerErrorCode i,"
         "ConfigManagerUserConfig b,CorrectableError b,CreationClassName t,Description t,DeviceID t,"
         "EndingAddress t,ErrorAccess i,ErrorAddress t,ErrorCleared b,ErrorData a,ErrorDataOrder i,"
         "ErrorDescription t,ErrorGranularity i,ErrorInfo i,ErrorMethodology t,ErrorResolution t,ErrorTime t,"
         "ErrorTransferSize i,InstallDate t,LastErrorCode i,Name t,NumberOfBlocks t,OtherErrorDescription t,"
         "PNPDeviceID t,PowerManagementCapabilities a,PowerManagementSupported b,Purpose t,StartingAddress t,"
         "Status t,StatusInfo i,SystemCreationClassName t,SystemLevelAddress b,SystemName t"},
        {"Win32_MotherboardDevice",
         "Availability i,Caption t,ConfigManagerErrorCode i,ConfigManagerUserConfig b,CreationClassName t,"
         "Description t,DeviceID t,ErrorCleared b,ErrorDescription t,InstallDate t,LastErrorCode i,Name t,"
         "PNPDeviceID t,PowerManagementCapabilities a,PowerManagementSupported b,PrimaryBusType t,"
         "RevisionNumber t,SecondaryBusType t,Status t,StatusInfo i,SystemCreationClassName t,SystemName t"},
        {"MSAcpi_ThermalZoneTemperature",
         "Active b,ActiveTripPoint a,ActiveTripPointCount i,CriticalTripPoint i,CurrentTemperature i,"
         "InstanceName t,PassiveTripPoint i,Reserved i,SamplingPeriod i,ThermalConstant1 i,ThermalConstant2 i,"
         "ThermalStamp i"},
        {"Win32_NetworkAdapter",
         "AdapterType t,AdapterTypeID i,AutoSense b,Availability i,Caption t,ConfigManagerErrorCode i,"
         "ConfigManagerUserConfig b,CreationClassName t,Description t,DeviceID t,ErrorCleared b,"
         "ErrorDescription t,GUID t,Index i,InstallDate t,Installed b,InterfaceIndex i,LastErrorCode i,"
         "MACAddress t,Manufacturer t,MaxNumberControlled i,MaxSpeed t,Name t,NetConnectionID t,"
         "NetConnectionStatus i,NetEnabled b,NetworkAddresses a,PermanentAddress t,PhysicalAdapter b,"
         "PNPDeviceID t,PowerManagementCapabilities a,PowerManagementSupported b,ProductName t,ServiceName t,"
         "Speed t,Status t,StatusInfo i,SystemCreationClassName t,SystemName t,TimeOfLastReset t"},
        {"Win32_OnBoardDevice",
         "Caption t,CreationClassName t,Description t,DeviceType i,Enabled b,HotSwappable b,InstallDate t,"
         "Manufacturer t,Model t,Name t,OtherIdentifyingInfo t,PartNumber t,PoweredOn b,Removable b,"
         "Replaceable b,SerialNumber t,SKU t,Status t,Tag t,Version t"},
        {"Win32_OperatingSystem",
         "BootDevice t,BuildNumber t,BuildType t,Caption t,CodeSet t,CountryCode t,CreationClassName t,"
         "CSCreationClassName t,CSDVersion t,CSName t,CurrentTimeZone i,DataExecutionPrevention_Available b,"
         "DataExecutionPrevention_32BitApplications b,DataExecutionPrevention_Drivers b,"
         "DataExecutionPrevention_SupportPolicy i,Debug b,Description t,Distributed b,EncryptionLevel i,"
         "FreePhysicalMemory t,FreeSpaceInPagingFiles t,FreeVirtualMemory t,InstallDate t,LargeSystemCache i,"
         "LastBootUpTime t,LocalDateTime t,Locale t,Manufacturer t,MaxNumberOfProcesses i,"
         "MaxProcessMemorySize t,MUILanguages a,Name t,NumberOfLicensedUsers i,NumberOfProcesses i,"
         "NumberOfUsers i,OperatingSystemSKU i,Organization t,OSArchitecture t,OSLanguage i,OSProductSuite i,"
         "OSType i,OtherTypeDescription t,PAEEnabled b,PlusProductID t,PlusVersionNumber t,"
         "PortableOperatingSystem b,Primary b,ProductType i,RegisteredUser t,SerialNumber t,"
         "ServicePackMajorVersion i,ServicePackMinorVersion i,SizeStoredInPagingFiles t,Status t,SuiteMask i,"
         "SystemDevice t,SystemDirectory t,SystemDrive t,TotalSwapSpaceSize t,TotalVirtualMemorySize t,"
         "TotalVisibleMemorySize t,Version t,WindowsDirectory t,QuantumLength i,QuantumType i"},
        {"Win32_ParallelPort",
         "Availability i,Capabilities a,CapabilityDescriptions a,Caption t,ConfigManagerErrorCode i,"
         "ConfigManagerUserConfig b,CreationClassName t,Description t,DeviceID t,DMASupport b,ErrorCleared b,"
         "ErrorDescription t,InstallDate t,LastErrorCode i,MaxNumberControlled i,Name t,OSAutoDiscovered b,"
         "PNPDeviceID t,PowerManagementCapabilities a,PowerManagementSupported b,ProtocolSupported i,Status t,"
         "StatusInfo i,SystemCreationClassName t,SystemName t,TimeOfLastReset t"},
        {"Win32_PCMCIAController",
         "Availability i,Caption t,ConfigManagerErrorCode i,ConfigManagerUserConfig b,CreationClassName t,"
         "Description t,DeviceID t,ErrorCleared b,ErrorDescription t,InstallDate t,LastErrorCode i,"
         "Manufacturer t,MaxNumberControlled i,Name t,PNPDeviceID t,PowerManagementCapabilities a,"
         "PowerManagementSupported b,ProtocolSupported i,Status t,StatusInfo i,SystemCreationClassName t,"
         "SystemName t,TimeOfLastReset t"},
        {"Win32_PhysicalMemory",
         "Attributes i,BankLabel t,Capacity t,Caption t,ConfiguredClockSpeed i,ConfiguredVoltage i,"
         "CreationClassName t,DataWidth i,Description t,DeviceLocator t,FormFactor i,HotSwappable b,"
         "InstallDate t,InterleaveDataDepth i,InterleavePosition i,Manufacturer t,MaxVoltage i,MemoryType i,"
         "MinVoltage i,Model t,Name t,OtherIdentifyingInfo t,PartNumber t,PositionInRow i,PoweredOn b,"
         "Removable b,Replaceable b,SerialNumber t,SKU t,SMBIOSMemoryType i,Speed i,Status t,Tag t,"
         "TotalWidth i,TypeDetail i,Version t"},
        {"Win32_PhysicalMemoryArray",
         "Caption t,CreationClassName t,Depth r,Description t,Height r,HotSwappable b,InstallDate t,Location i,"
         "Manufacturer t,MaxCapacity i,MaxCapacityEx t,MemoryDevices i,MemoryErrorCorrection i,Model t,Name t,"
         "OtherIdentifyingInfo t,PartNumber t,PoweredOn b,Removable b,Replaceable b,SerialNumber t,SKU t,"
         "Status t,Tag t,Use i,Version t,Weight r,Width r"},
        {"Win32_PnPEntity",
         "Availability i,Caption t,ClassGuid t,CompatibleID a,ConfigManagerErrorCode i,"
         "ConfigManagerUserConfig b,CreationClassName t,Description t,DeviceID t,ErrorCleared b,"
         "ErrorDescription t,HardwareID a,InstallDate t,LastErrorCode i,Manufacturer t,Name t,PNPClass t,"
         "PNPDeviceID t,PowerManagementCapabilities a,PowerManagementSupported b,Present b,Service t,Status t,"
         "StatusInfo i,SystemCreationClassName t,SystemName t"},
        {"Win32_PointingDevice",
         "Availability i,Caption t,ConfigManagerErrorCode i,ConfigManagerUserConfig b,CreationClassName t,"
         "Description t,DeviceID t,DeviceInterface i,DoubleSpeedThreshold i,ErrorCleared b,ErrorDescription t,"
         "Handedness i,HardwareType t,InfFileName t,InfSection t,InstallDate t,IsLocked b,LastErrorCode i,"
         "Manufacturer t,Name t,NumberOfButtons i,PNPDeviceID t,PointingType i,PowerManagementCapabilities a,"
         "PowerManagementSupported b,QuadSpeedThreshold i,Resolution i,SampleRate i,Status t,StatusInfo i,"
         "Synch i,SystemCreationClassName t,SystemName t"},
        {"Win32_PortableBattery",
         "Availability i,BatteryStatus i,CapacityMultiplier i,Caption t,Chemistry i,ConfigManagerErrorCode i,"
         "ConfigManagerUserConfig b,CreationClassName t,Description t,DesignCapacity i,DesignVoltage t,"
         "DeviceID t,ErrorCleared b,ErrorDescription t,EstimatedChargeRemaining i,EstimatedRunTime i,"
         "ExpectedBatteryLife i,ExpectedLife i,FullChargeCapacity i,InstallDate t,LastErrorCode i,Location t,"
         "ManufactureDate t,Manufacturer t,MaxBatteryError i,MaxRechargeTime i,Name t,PNPDeviceID t,"
         "PowerManagementCapabilities a,PowerManagementSupported b,SmartBatteryVersion t,Status t,StatusInfo i,"
         "SystemCreationClassName t,SystemName t,TimeOnBattery i,TimeToFullCharge i"},
        {"Win32_PortConnector",
         "Caption t,ConnectorPinout t,ConnectorType a,CreationClassName t,Description t,"
         "ExternalReferenceDesignator t,InstallDate t,InternalReferenceDesignator t,Manufacturer t,Model t,"
         "Name t,OtherIdentifyingInfo t,PartNumber t,PortType i,PoweredOn b,SerialNumber t,SKU t,Status t,"
         "Tag t,Version t"},
        {"Win32_PortResource",
         "Alias b,Caption t,CreationClassName t,CSCreationClassName t,CSName t,Description t,EndingAddress t,"
         "InstallDate t,Name t,StartingAddress t,Status t"},
        {"Win32_POTSModem",
         "AnswerMode i,AttachedTo t,Availability i,BlindOff t,BlindOn t,Caption t,CompatibilityFlags t,"
         "CompressionInfo i,CompressionOff t,CompressionOn t,ConfigManagerErrorCode i,"
         "ConfigManagerUserConfig b,ConfigurationDialog t,CountriesSupported a,CountrySelected t,"
         "CreationClassName t,CurrentPasswords a,DCB a,Default a,Description t,DeviceID t,DeviceLoader t,"
         "DeviceType t,DialType i,DriverDate t,ErrorCleared b,ErrorControlForced t,ErrorControlInfo i,"
         "ErrorControlOff t,ErrorControlOn t,ErrorDescription t,FlowControlHard t,FlowControlOff t,"
         "FlowControlSoft t,InactivityScale t,InactivityTimeout i,Index i,IndexEx t,InstallDate t,"
         "LastErrorCode i,MaxBaudRateToPhone i,MaxBaudRateToSerialPort i,MaxNumberOfPasswords i,Model t,"
         "ModemInfPath t,ModemInfSection t,ModulationBell t,ModulationCCITT t,ModulationScheme i,Name t,"
         "PNPDeviceID t,PortSubClass t,PowerManagementCapabilities a,PowerManagementSupported b,Prefix t,"
         "Properties a,ProviderName t,Pulse t,Reset t,ResponsesKeyName t,RingsBeforeAnswer i,SpeakerModeDial t,"
         "SpeakerModeOff t,SpeakerModeOn t,SpeakerModeSetup t,SpeakerVolumeHigh t,SpeakerVolumeInfo i,"
         "SpeakerVolumeLow t,SpeakerVolumeMed t,Status t,StatusInfo i,StringFormat t,SupportsCallback b,"
         "SupportsSynchronousConnect b,SystemCreationClassName t,SystemName t,Terminator t,TimeOfLastReset t,"
         "Tone t,VoiceSwitchFeature t"},
        {"Win32_POTSModemToSerialPort",
         "NegotiatedDataWidth i,NegotiatedSpeed t,AccessState i,NumberOfHardResets i,NumberOfSoftResets i"},
        {"Win32_Printer",
         "Attributes i,Availability i,AvailableJobSheets a,AveragePagesPerMinute i,Capabilities a,"
         "CapabilityDescriptions a,Caption t,CharSetsSupported a,Comment t,ConfigManagerErrorCode i,"
         "ConfigManagerUserConfig b,CreationClassName t,CurrentCapabilities a,CurrentCharSet t,"
         "CurrentLanguage i,CurrentMimeType t,CurrentNaturalLanguage t,CurrentPaperType t,Default b,"
         "DefaultCapabilities a,DefaultCopies i,DefaultLanguage i,DefaultMimeType t,DefaultNumberUp i,"
         "DefaultPaperType t,DefaultPriority i,Description t,DetectedErrorState i,DeviceID t,Direct b,"
         "DoCompleteFirst b,DriverName t,EnableBIDI b,EnableDevQueryPrint b,ErrorCleared b,ErrorDescription t,"
         "ErrorInformation a,ExtendedDetectedErrorState i,ExtendedPrinterStatus i,Hidden b,"
         "HorizontalResolution i,InstallDate t,JobCountSinceLastReset i,KeepPrintedJobs b,LanguagesSupported a,"
         "LastErrorCode i,Local b,Location t,MarkingTechnology i,MaxCopies i,MaxNumberUp i,MaxSizeSupported i,"
         "MimeTypesSupported a,Name t,NaturalLanguagesSupported a,Network b,PaperSizesSupported a,"
         "PaperTypesAvailable a,Parameters t,PNPDeviceID t,PortName t,PowerManagementCapabilities a,"
         "PowerManagementSupported b,PrinterPaperNames a,PrinterState i,PrinterStatus i,PrintJobDataType t,"
         "PrintProcessor t,Priority i,Published b,Queued b,RawOnly b,SeparatorFile t,ServerName t,Shared b,"
         "ShareName t,SpoolEnabled b,StartTime t,Status t,StatusInfo i,SystemCreationClassName t,SystemName t,"
         "TimeOfLastReset t,UntilTime t,VerticalResolution i,WorkOffline b"},
        {"Win32_Processor",
         "AddressWidth i,Architecture i,AssetTag t,Availability i,Caption t,Characteristics i,"
         "ConfigManagerErrorCode i,ConfigManagerUserConfig b,CpuStatus i,CreationClassName t,"
         "CurrentClockSpeed i,CurrentVoltage i,DataWidth i,Description t,DeviceID t,ErrorCleared b,"
         "ErrorDescription t,ExtClock i,Family i,InstallDate t,L2CacheSize i,L2CacheSpeed i,L3CacheSize i,"
         "L3CacheSpeed i,LastErrorCode i,Level i,LoadPercentage i,Manufacturer t,MaxClockSpeed i,Name t,"
         "NumberOfCores i,NumberOfEnabledCore i,NumberOfLogicalProcessors i,OtherFamilyDescription t,"
         "PartNumber t,PNPDeviceID t,PowerManagementCapabilities a,PowerManagementSupported b,ProcessorId t,"
         "ProcessorType i,Revision i,Role t,SecondLevelAddressTranslationExtensions b,SerialNumber t,"
         "SocketDesignation t,Status t,StatusInfo i,Stepping t,SystemCreationClassName t,SystemName t,"
         "ThreadCount i,UniqueId t,UpgradeMethod i,Version t,VirtualizationFirmwareEnabled b,"
         "VMMonitorModeExtensions b,VoltageCaps i"},
        {"Win32_Refrigeration",
         "ActiveCooling b,Availability i,Caption t,ConfigManagerErrorCode i,ConfigManagerUserConfig b,"
         "CreationClassName t,Description t,DeviceID t,ErrorCleared b,ErrorDescription t,InstallDate t,"
         "LastErrorCode i,Name t,PNPDeviceID t,PowerManagementCapabilities a,PowerManagementSupported b,"
         "Status t,StatusInfo i,SystemCreationClassName t,SystemName t"},
        {"Win32_SCSIController",
         "Availability i,Caption t,ConfigManagerErrorCode i,ConfigManagerUserConfig b,ControllerTimeouts i,"
         "CreationClassName t,Description t,DeviceID t,DeviceMap t,DriverName t,ErrorCleared b,"
         "ErrorDescription t,HardwareVersion t,Index i,InstallDate t,LastErrorCode i,Manufacturer t,"
         "MaxDataWidth i,MaxNumberControlled i,MaxTransferRate t,Name t,PNPDeviceID t,"
         "PowerManagementCapabilities a,PowerManagementSupported b,ProtectionManagement i,ProtocolSupported i,"
         "Status t,StatusInfo i,SystemCreationClassName t,SystemName t,TimeOfLastReset t"},
        {"Win32_SerialPort",
         "Availability i,Binary b,Capabilities a,CapabilityDescriptions a,Caption t,ConfigManagerErrorCode i,"
         "ConfigManagerUserConfig b,CreationClassName t,Description t,DeviceID t,ErrorCleared b,"
         "ErrorDescription t,InstallDate t,LastErrorCode i,MaxBaudRate i,MaximumInputBufferSize i,"
         "MaximumOutputBufferSize i,MaxNumberControlled i,Name t,OSAutoDiscovered b,PNPDeviceID t,"
         "PowerManagementCapabilities a,PowerManagementSupported b,ProtocolSupported i,ProviderType t,"
         "SettableBaudRate b,SettableDataBits b,SettableFlowControl b,SettableParity b,SettableParityCheck b,"
         "SettableRLSD b,SettableStopBits b,Status t,StatusInfo i,Supports16BitMode b,SupportsDTRDSR b,"
         "SupportsElapsedTimeouts b,SupportsIntTimeouts b,SupportsParityCheck b,SupportsRLSD b,"
         "SupportsRTSCTS b,SupportsSpecialCharacters b,SupportsXOnXOff b,SupportsXOnXOffSet b,"
         "SystemCreationClassName t,SystemName t,TimeOfLastReset t"},
        {"Win32_SerialPortConfiguration",
         "Caption t,Description t,SettingID t,AbortReadWriteOnError b,BaudRate i,BinaryModeEnabled b,"
         "BitsPerByte i,ContinueXMitOnXOff b,CTSOutflowControl b,DiscardNULLBytes b,DSROutflowControl b,"
         "DSRSensitivity b,DTRFlowControlType t,EOFCharacter i,ErrorReplaceCharacter i,"
         "ErrorReplacementEnabled b,EventCharacter i,IsBusy b,Name t,Parity t,ParityCheckEnabled b,"
         "RTSFlowControlType t,StopBits t,XOffCharacter i,XOffXMitThreshold i,XOnCharacter i,"
         "XOnXMitThreshold i,XOnXOffInFlowControl i,XOnXOffOutFlowControl i"},
        {"Win32_SMBIOSMemory",
         "Access i,AdditionalErrorData a,Availability i,BlockSize t,Caption t,ConfigManagerErrorCode i,"
         "ConfigManagerUserConfig b,CorrectableError b,CreationClassName t,Description t,DeviceID t,"
         "EndingAddress t,ErrorAccess i,ErrorAddress t,ErrorCleared b,ErrorData a,ErrorDataOrder i,"
         "ErrorDescription t,ErrorInfo i,ErrorMethodology t,ErrorResolution t,ErrorTime t,ErrorTransferSize i,"
         "InstallDate t,LastErrorCode i,Name t,NumberOfBlocks t,OtherErrorDescription t,PNPDeviceID t,"
         "PowerManagementCapabilities a,PowerManagementSupported b,Purpose t,StartingAddress t,Status t,"
         "StatusInfo i,SystemCreationClassName t,SystemLevelAddress b,SystemName t"},
        {"Win32_SoundDevice",
         "Availability i,Caption t,ConfigManagerErrorCode i,ConfigManagerUserConfig b,CreationClassName t,"
         "Description t,DeviceID t,DMABufferSize i,ErrorCleared b,ErrorDescription t,InstallDate t,"
         "LastErrorCode i,Manufacturer t,MPU401Address i,Name t,PNPDeviceID t,PowerManagementCapabilities a,"
         "PowerManagementSupported b,ProductName t,Status t,StatusInfo i,SystemCreationClassName t,"
         "SystemName t"},
        {"Win32_SystemEnclosure",
         "AudibleAlarm b,BreachDescription t,CableManagementStrategy t,Caption t,ChassisTypes a,"
         "CreationClassName t,CurrentRequiredOrProduced i,Depth r,Description t,HeatGeneration i,Height r,"
         "HotSwappable b,InstallDate t,LockPresent b,Manufacturer t,Model t,Name t,NumberOfPowerCords i,"
         "OtherIdentifyingInfo t,PartNumber t,PoweredOn b,Removable b,Replaceable b,SecurityBreach i,"
         "SecurityStatus i,SerialNumber t,ServiceDescriptions a,ServicePhilosophy a,SKU t,SMBIOSAssetTag t,"
         "Status t,Tag t,TypeDescriptions a,Version t,VisibleAlarm b,Weight r,Width r"},
        {"Win32_SystemMemoryResource",
         "Caption t,Description t,InstallDate t,Name t,Status t,CreationClassName t,CSCreationClassName t,"
         "CSName t,EndingAddress t,StartingAddress t"},
        {"Win32_SystemSlot",
         "BusNumber i,Caption t,ConnectorPinout t,ConnectorType a,CreationClassName t,CurrentUsage i,"
         "Description t,DeviceNumber i,FunctionNumber i,HeightAllowed r,InstallDate t,LengthAllowed r,"
         "Manufacturer t,MaxDataWidth i,Model t,Name t,Number i,OtherIdentifyingInfo t,PartNumber t,"
         "PMESignal b,PoweredOn b,PurposeDescription t,SegmentGroupNumber i,SerialNumber t,Shared b,SKU t,"
         "SlotDesignation t,SpecialPurpose b,Status t,SupportsHotPlug b,Tag t,ThermalRating i,"
         "VccMixedVoltageSupport a,Version t,VppMixedVoltageSupport a"},
        {"Win32_TapeDrive",
         "Availability i,Capabilities a,CapabilityDescriptions a,Caption t,Compression i,CompressionMethod t,"
         "ConfigManagerErrorCode i,ConfigManagerUserConfig b,CreationClassName t,DefaultBlockSize t,"
         "Description t,DeviceID t,ECC i,EOTWarningZoneSize i,ErrorCleared b,ErrorDescription t,"
         "ErrorMethodology t,FeaturesHigh i,FeaturesLow i,Id t,InstallDate t,LastErrorCode i,Manufacturer t,"
         "MaxBlockSize t,MaxMediaSize t,MaxPartitionCount i,MediaType t,MinBlockSize t,Name t,NeedsCleaning b,"
         "NumberOfMediaSupported i,Padding i,PNPDeviceID t,PowerManagementCapabilities a,"
         "PowerManagementSupported b,ReportSetMarks i,Status t,StatusInfo i,SystemCreationClassName t,"
         "SystemName t"},
        {"Win32_TemperatureProbe",
         "Accuracy i,Availability i,Caption t,ConfigManagerErrorCode i,ConfigManagerUserConfig b,"
         "CreationClassName t,CurrentReading i,Description t,DeviceID t,ErrorCleared b,ErrorDescription t,"
         "InstallDate t,IsLinear b,LastErrorCode i,LowerThresholdCritical i,LowerThresholdFatal i,"
         "LowerThresholdNonCritical i,MaxReadable i,MinReadable i,Name t,NominalReading i,NormalMax i,"
         "NormalMin i,PNPDeviceID t,PowerManagementCapabilities a,PowerManagementSupported b,Resolution i,"
         "Status t,StatusInfo i,SystemCreationClassName t,SystemName t,Tolerance i,UpperThresholdCritical i,"
         "UpperThresholdFatal i,UpperThresholdNonCritical i"},
        {"Win32_UninterruptiblePowerSupply",
         "ActiveInputVoltage i,Availability i,BatteryInstalled b,CanTurnOffRemotely b,Caption t,CommandFile t,"
         "ConfigManagerErrorCode i,ConfigManagerUserConfig b,CreationClassName t,Description t,DeviceID t,"
         "ErrorCleared b,ErrorDescription t,EstimatedChargeRemaining i,EstimatedRunTime i,FirstMessageDelay i,"
         "InstallDate t,IsSwitchingSupply b,LastErrorCode i,Name t,PNPDeviceID t,PowerManagementCapabilities a,"
         "PowerManagementSupported b,RemainingCapacityStatus i,Status t,StatusInfo i,SystemCreationClassName t,"
         "SystemName t,TimeOnBackup i,TotalOutputPower i,TypeOfRangeSwitching i"},
        {"Win32_USBController",
         "Availability i,Caption t,ConfigManagerErrorCode i,ConfigManagerUserConfig b,CreationClassName t,"
         "Description t,DeviceID t,ErrorCleared b,ErrorDescription t,InstallDate t,LastErrorCode i,"
         "Manufacturer t,MaxNumberControlled i,Name t,PNPDeviceID t,PowerManagementCapabilities a,"
         "PowerManagementSupported b,ProtocolSupported i,Status t,StatusInfo i,SystemCreationClassName t,"
         "SystemName t,TimeOfLastReset t"},
        {"Win32_USBHub",
         "Availability i,Caption t,ClassCode i,ConfigManagerUserConfig b,CreationClassName t,"
         "CurrentAlternateSettings a,CurrentConfigValue i,Description t,ErrorCleared b,ErrorDescription t,"
         "GangSwitched b,InstallDate t,LastErrorCode i,NumberOfConfigs i,NumberOfPorts i,PNPDeviceID t,"
         "PowerManagementCapabilities a,PowerManagementSupported b,ProtocolCode i,Status t,StatusInfo i,"
         "SubclassCode i,SystemCreationClassName t,SystemName t,USBVersion i,ConfigManagerErrorCode i,"
         "DeviceID t,Name t"},
        {"Win32_VideoConfiguration",
         "Caption t,Description t,SettingID t,ActualColorResolution i,AdapterChipType t,AdapterCompatibility t,"
         "AdapterDACType t,AdapterDescription t,AdapterRAM i,AdapterType t,BitsPerPixel i,ColorPlanes i,"
         "ColorTableEntries i,DeviceSpecificPens i,DriverDate t,HorizontalResolution i,InfFilename t,"
         "InfSection t,InstalledDisplayDrivers t,MonitorManufacturer t,MonitorType t,Name t,"
         "PixelsPerXLogicalInch i,PixelsPerYLogicalInch i,RefreshRate i,ScanMode t,ScreenHeight i,"
         "ScreenWidth i,SystemPaletteEntries i,VerticalResolution i"},
        {"Win32_VideoController",
         "AcceleratorCapabilities a,AdapterCompatibility t,AdapterDACType t,AdapterRAM i,Availability i,"
         "CapabilityDescriptions a,Caption t,ColorTableEntries i,ConfigManagerErrorCode i,"
         "ConfigManagerUserConfig b,CreationClassName t,CurrentBitsPerPixel i,CurrentHorizontalResolution i,"
         "CurrentNumberOfColors t,CurrentNumberOfColumns i,CurrentNumberOfRows i,CurrentRefreshRate i,"
         "CurrentScanMode i,CurrentVerticalResolution i,Description t,DeviceID t,DeviceSpecificPens i,"
         "DitherType i,DriverDate t,DriverVersion t,ErrorCleared b,ErrorDescription t,ICMIntent i,ICMMethod i,"
         "InfFilename t,InfSection t,InstallDate t,InstalledDisplayDrivers t,LastErrorCode i,"
         "MaxMemorySupported i,MaxNumberControlled i,MaxRefreshRate i,MinRefreshRate i,Monochrome b,Name t,"
         "NumberOfColorPlanes i,NumberOfVideoPages i,PNPDeviceID t,PowerManagementCapabilities a,"
         "PowerManagementSupported b,ProtocolSupported i,ReservedSystemPaletteEntries i,SpecificationVersion i,"
         "Status t,StatusInfo i,SystemCreationClassName t,SystemName t,SystemPaletteEntries i,"
         "TimeOfLastReset t,VideoArchitecture i,VideoMemoryType i,VideoMode i,VideoModeDescription t,"
         "VideoProcessor t"},
        {"Win32_VoltageProbe",
         "Accuracy i,Availability i,Caption t,ConfigManagerErrorCode i,ConfigManagerUserConfig b,"
         "CreationClassName t,CurrentReading i,Description t,DeviceID t,ErrorCleared b,ErrorDescription t,"
         "InstallDate t,IsLinear b,LastErrorCode i,LowerThresholdCritical i,LowerThresholdFatal i,"
         "LowerThresholdNonCritical i,MaxReadable i,MinReadable i,Name t,NominalReading i,NormalMax i,"
         "NormalMin i,PNPDeviceID t,PowerManagementCapabilities a,PowerManagementSupported b,Resolution i,"
         "Status t,StatusInfo i,SystemCreationClassName t,SystemName t,Tolerance i,UpperThresholdCritical i,"
         "UpperThresholdFatal i,UpperThresholdNonCritical i"},
    };
    return classes;
}

namespace {

// One class of the schema, made ready when first asked for: a program asks for a few classes
// many times, not for all of them.
struct ClassEntry {
    const SchemaClass *text;
    std::vector<SchemaProperty> properties;
    QHash<QString, int> positions; // by exact name
    bool ready = false;
};

const ClassEntry *classEntry(const QString &className)
{
    static QMutex mutex;
    static QHash<QString, ClassEntry> classes = [] {
        QHash<QString, ClassEntry> result;
        for (const SchemaClass &schema : schemaClasses())
            result.insert(QString::fromLatin1(schema.name).toLower(), ClassEntry{&schema, {}, {}, false});
        return result;
    }();
    QMutexLocker lock(&mutex);
    const auto it = classes.find(className.toLower());
    if (it == classes.end())
        return nullptr;
    if (!it->ready) {
        for (const QString &entry : QString::fromLatin1(it->text->properties).split(QLatin1Char(','))) {
            const qsizetype blank = entry.indexOf(QLatin1Char(' '));
            it->positions.insert(entry.left(blank), int(it->properties.size()));
            it->properties.push_back({entry.left(blank), entry.at(blank + 1).toLatin1()});
        }
        it->ready = true;
    }
    return &*it;
}

} // namespace

const std::vector<SchemaProperty> *classSchema(const QString &className)
{
    const ClassEntry *entry = classEntry(className);
    return entry ? &entry->properties : nullptr;
}

const QHash<QString, int> *schemaPositions(const QString &className)
{
    const ClassEntry *entry = classEntry(className);
    return entry ? &entry->positions : nullptr;
}

const SchemaProperty *schemaProperty(const std::vector<SchemaProperty> &schema, QStringView name)
{
    for (const SchemaProperty &property : schema)
        if (QStringView(property.name).compare(name, Qt::CaseInsensitive) == 0)
            return &property;
    return nullptr;
}

QString schemaKindName(char kind)
{
    switch (kind) {
    case 't': return QStringLiteral("a text");
    case 'i':
    case 'r': return QStringLiteral("a number");
    case 'b': return QStringLiteral("a boolean");
    case 'a': return QStringLiteral("an array");
    default: return QStringLiteral("a value");
    }
}

} // namespace platform
