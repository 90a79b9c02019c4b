#pragma once

namespace quillon {

// The main window's command ids.
enum CommandId : int {
  IdChipTypeSelect = 1023,
  IdDownload = 1024,
  IdAutoDetect = 1025,
  IdSectorErase = 1026,
  IdSetLock = 1027,
  IdMemoryRemap = 1028,
  IdExecuteUserCode = 1029,
  IdRead = 1037,
  IdChipErase = 1049,
  IdDownloadAndRun = 1074,
  IdCommSettings = 32771,
  IdAbout = 32772,
  IdResetLink = 32780,
  IdExternalSelect = 32786,
  IdCompare = 32787,
  IdFileSave = 57603,
  IdFilePrint = 57607,
};

}  // namespace quillon
