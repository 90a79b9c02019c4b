#pragma once

#include <string_view>

// Every text the operator can see, in one place, so that a word changed here is changed
// everywhere and tests can compare against the very same constants.
namespace quillon::msg {

inline constexpr std::string_view NoFlashChip = "No flash chip has been selected/detected!!!";
inline constexpr std::string_view NoTargetBoard = "No target board has been located!!!";
inline constexpr std::string_view ChipTypeDetectedEarlier = "ChipType had been detected earlier.";
inline constexpr std::string_view ChipInfoNotCompleted = "Chip Info is not completed!!!";
inline constexpr std::string_view FailedToDownload = "Failed to Download Data!!!";
inline constexpr std::string_view FailedToVerify = "Failed to Verify Data!!!";
inline constexpr std::string_view FailedToRead = "Failed to Read Data!!!";
inline constexpr std::string_view Block1NotAvailable = "Block 1 is not available in internal memory mode!!!";
inline constexpr std::string_view IllegalBlockNumber = "Illegal Block Number Detected!!!";
inline constexpr std::string_view CannotOpenFile = "Cannot open the selected file!!!";
// The same, with the file as the operator named it and the system's reason under it.
inline constexpr const char* CannotOpenSelectedFileFormat = "Cannot open the selected file!!!\n%s: %s";
// The file as the operator named it and the system's reason, such as one of these.
inline constexpr const char* CannotOpenNamedFileFormat = "Cannot open %s: %s";
inline constexpr std::string_view NotRegularFile = "Not a regular file";
inline constexpr std::string_view NothingReadsFromIt = "Nothing reads from it";
inline constexpr std::string_view StoppedTakingBytes = "It stopped taking bytes";
// A file that could not be written, as the operator named it, and the reason, such as
// the system's or one of these; whatever stood at the name before is kept as it was.
inline constexpr const char* CannotWriteNamedFileFormat = "Cannot write %s: %s";
inline constexpr std::string_view LinkInTheWay = "A link stands at its name";
inline constexpr std::string_view DirectoryIsLink = "Its directory is a link";
inline constexpr std::string_view DirectoryOfAnotherUser = "Its directory belongs to another user";
inline constexpr std::string_view OverSize = "The selected is over size!!!";
// Follows OverSize: the image's last address, and the last one it could have had.
inline constexpr const char* OverSizeEndFormat = "The image ends at %04llXh, past the last address %04Xh";
inline constexpr std::string_view FailToWriteReadCommand = "Fail to write QRV_CMD_READ to MCU!!!";
inline constexpr std::string_view EchoDiffers = "1:Fail to write QRV_CMD_READ CMD byte!!!";
inline constexpr std::string_view ByteTransferFailed = "2:Fail to write QRV_CMD_READ CMD byte!!!";
inline constexpr std::string_view WriteTimedOut = "3:Fail to write QRV_CMD_READ CMD byte!!!";
inline constexpr std::string_view SectorEraseFailed = "Sector erase failed!!!";
inline constexpr std::string_view QueueNotEmptyButUnreadable = "Error! Queue is not empty but unable to read.";
inline constexpr std::string_view QueueNotFullButUnwritable = "Error! Queue is not full but unable to write.";
inline constexpr std::string_view QueueFull = "Error! Queue is Full.";
inline constexpr std::string_view MutexWaitFailed = "Error in calling WaitForSingleObject().";
inline constexpr std::string_view PurgeFailed = "Warning! Failed to purge in_buffer.";

inline constexpr std::string_view TimerSetupFailed = "Fail on set up timer of 5 seconds!!!";
inline constexpr std::string_view TimeoutReset =
    "A timeout error detected and resets the host Application.\nPlease re-detect the Chiptype.";
inline constexpr std::string_view ConnectionLost =
    "Connection to MCU is lost.\nPlease click on OK to re-detect ChipType\nor click on Cancel to abort.";
// An adapter pulled out, or a device gone: the line answers every read and write with an error.
inline constexpr std::string_view LineHungUp =
    "The serial line has hung up: the adapter was unplugged or the device is gone.\n"
    "Connection to MCU is lost: connect it again, then re-detect the ChipType.";
// A port on a port server (its name, HOST:PORT with the scheme) whose connection was
// refused, reset, closed or never answered, and the reason.
inline constexpr const char* NetworkLineHungUpFormat =
    "The serial line has hung up: %s: %s.\n"
    "Connection to MCU is lost: check the port server and the network, then re-detect the ChipType.";
// Follows "Cannot open DEVICE: ".
inline constexpr std::string_view PortNotPermitted =
    "permission denied.\nYour user may not use serial devices: add it to the dialout group with\n"
    "    sudo usermod -aG dialout $USER\nthen log out and in again.";
inline constexpr std::string_view UnableToSaveConfiguration = "Unable to save the configuration";
inline constexpr std::string_view SelectChipTypeOrDetect =
    "Please select ChipType or DetectChip\n to setup RS-232 connection.";
inline constexpr std::string_view ResetIfAutoDetectFails =
    "Click on OK then Reset MCU if Auto DetectChip failed in 2 seconds.\n(MCU:Fw v1.1E-Int. Mode)";
inline constexpr std::string_view NoResponse = "No Response from Target Board!!!";
inline constexpr std::string_view Rs232SetupFailed = "Failed to set up RS232 connection with Target Board!!!";
inline constexpr std::string_view WrongFirmware = "Wrong Firmware Version Detected in MCU chip!!!";
inline constexpr std::string_view StopAndExit = "PLEASE STOP AND EXIT TO WINDOW!!!";
inline constexpr std::string_view UnknownChipLock = "UNKNOWN CHIP LOCK!";
inline constexpr std::string_view UnmatchedReadCount = "Unmatched in bytes Read and Request!!";
inline constexpr std::string_view ProceedToDownload =
    "Data in corresponding sectors will be erased.\nProceed to download?";
inline constexpr std::string_view SectorsEraseCompleted = "Sectors erase completed!!!";
inline constexpr std::string_view ReallyProceed = "Do you really want to proceed?";
inline constexpr std::string_view ChipEraseCompleted = "Chip Erase Completed!\nReset the chip!";
inline constexpr std::string_view ChipEraseFailed = "Chip Erase Failed!!!";
inline constexpr std::string_view SetLockCompleted = "Set Lock Completed!\nReset the chip!";
inline constexpr std::string_view SetLockFailed = "Set Lock Failed!";
inline constexpr std::string_view MemoryRemapCompleted = "Memory Remap Completed!\nReset the chip!";
inline constexpr std::string_view MemoryRemapFailed = "Memory Remap Failed!";
inline constexpr std::string_view UserCodeNotStarted =
    "The user code has not started: the run command did not reach the target whole,\n"
    "or the target is still in its boot loader. Please re-detect the ChipType.";
inline constexpr std::string_view IllegalInDirectFirmware = "Illegal command in Fw v1.1D & v1.1E-Ext";
// Chip erase, lock and remap talk to the port directly, which the queued link's worker owns.
inline constexpr std::string_view IllegalInInternalFirmware = "Illegal command in Fw v1.1E-Int";
inline constexpr std::string_view PrintFailed = "Print data failed";
inline constexpr std::string_view PrintCompleted = "Print data has completed";
inline constexpr std::string_view SaveFailed = "Save data failed";
inline constexpr std::string_view SaveCompleted = "Save data has completed";

// IAP Status line.
inline constexpr std::string_view HandshakingSucceed = "Handshaking succeed!";
inline constexpr std::string_view HandshakingFailed = "Handshaking failed!";
inline constexpr std::string_view MutexCreationFailed = "Fail to create Mutex!";

// Where an operation that the person stopped had got to, and what it may have left
// half-done: the address reached, then the span of flash the commands sent may have
// touched.
inline constexpr const char* StoppedErasingFormat = "Stopped at %04Xh: flash from %04Xh to %04Xh may be partly erased";
inline constexpr const char* StoppedProgrammingFormat =
    "Stopped at %04Xh: flash from %04Xh to %04Xh may be partly programmed";
inline constexpr const char* StoppedUnverifiedFormat =
    "Stopped at %04Xh: flash from %04Xh to %04Xh is programmed but not verified";
inline constexpr const char* StoppedUnchangedFormat = "Stopped at %04Xh: the flash is unchanged";
inline constexpr const char* StoppedBeforeWritingFormat =
    "Stopped at %04Xh: nothing from there on was erased or programmed";
inline constexpr const char* StoppedConfiguringFormat =
    "Stopped after %u of %u configuration bytes: the lock or remap bits may be partly set";
// A board's own bytes, its serial number, go where the image has left room for them.
inline constexpr const char* StampBeyondImageFormat = "The image does not reach %04Xh, where the serial number goes";
inline constexpr const char* StampNotBlankFormat =
    "The image is not blank (FFh) at %04Xh, where the serial number goes";
inline constexpr std::string_view StoppedChipErase =
    "Stopped during the chip erase: the whole flash may be partly erased.";
// Follows a stop that left the frame under way unfinished.
inline constexpr std::string_view DetectAgain = " Detect the chip again.";
inline constexpr std::string_view StoppedDetection = "Stopped: the chip has not been detected.";
inline constexpr std::string_view StoppedUserCode = "Stopped: the user code may not have been started.";

// Progress label.
inline constexpr std::string_view Erasing = "Erasing";
inline constexpr std::string_view Writing = "Writing";
inline constexpr std::string_view Comparing = "Comparing";
inline constexpr std::string_view Reading = "Reading";
inline constexpr std::string_view Done = "Done";
inline constexpr std::string_view Abort = "Abort";

}  // namespace quillon::msg
