#include "common/ErrorTable.h"

#include "common/Texts.h"

namespace mendora {

ErrorText LookupError(int code) {
  ErrorText text{IDS_ERROR_CAPTION, IDS_UNKNOWN_ERROR};
  switch (code) {
    case ERR_ASD_FILE_NOT_FOUND: text.message_id = IDS_ERR_ASD_FILENOTFOUND; break;
    case ERR_NO_SELECTION: text.message_id = IDS_ERR_NO_SELECTION; break;
    case ERR_INITIAL_DIRECTORY: text.message_id = IDS_ERR_INITIAL_DIRECTORY; break;
    case ERR_LIST_SIZES: text.message_id = IDS_ERR_LIST_SIZES; break;
    case ERR_INVALID_SELECTION: text.message_id = IDS_ERR_AVI_LIST; break;
    case ERR_SOURCE_LIST: text.message_id = IDS_ERR_SOURCE_LIST; break;
    case ERR_DESTINATION_LIST: text.message_id = IDS_ERR_DESTINATION_LIST; break;
    case ERR_INVALID_LOCATION: text.message_id = IDS_ERR_DATA_LOCATION; break;
    case ERR_NO_ACTION: text.message_id = IDS_ERR_NO_ACTION; break;
    case ERR_READ_ONLY: text.message_id = IDS_READ_ONLY_FILE; break;
    case ERR_HIDDEN: text.message_id = IDS_HIDDEN_FILE; break;
    case ERR_SYSTEM: text.message_id = IDS_SYSTEM_FILE; break;
    case ERR_FILE_STATUS: text.message_id = IDS_ERR_FILE_STATUS; break;
    case ERR_BROWSE: text.message_id = IDS_ERR_BROWSE; break;
    case ERR_BACKUP: text.message_id = IDS_ERR_BACKUP; break;
    case ERR_REMOVE_BACKUP: text.message_id = IDS_ERR_REMOVE_BACKUP; break;
    case ERR_CANCELLED:
    case ERR_CANCELLED_TOO: text = {IDS_CANCELLATION_CAPTION, IDS_CANCELLED}; break;
    case ERR_MOVE_CANCELLED: text = {IDS_CANCELLATION_CAPTION, IDS_MOVE_CANCELLED}; break;
    case ERR_COPY_CANCELLED: text = {IDS_CANCELLATION_CAPTION, IDS_COPY_CANCELLED}; break;
    case ERR_STEP_CANCELLED: text = {IDS_CANCELLATION_CAPTION, IDS_STEP_CANCELLED}; break;
    case ERR_NO_REFERENCE_AVI: text.message_id = IDS_ERR_NO_REFERENCE_AVI; break;
    case ERR_NO_DATA_FILES: text.message_id = IDS_ERR_NO_DATA_FILES; break;
    case ERR_DISK_FULL: text.message_id = IDS_ERR_DISK_FULL; break;
    case MM_BAD_LIST: text.message_id = IDS_ERR_BAD_FILELIST; break;
    case MM_WRITE_FAILURE: text.message_id = IDS_ERR_WRITE; break;
    case ERR_OUT_OF_MEMORY: text.message_id = IDS_ERR_OUT_OF_MEMORY; break;
    case MM_SOURCE_OPEN: text.message_id = IDS_ERR_SOURCE_OPEN; break;
    case MM_TARGET_CREATE: text.message_id = IDS_ERR_DESTINATION_CREATE; break;
    case MM_NO_FILE: text.message_id = IDS_ERR_NO_FILE; break;
    case MM_FILE_EXISTS: text.message_id = IDS_ERR_FILE_EXISTS; break;
    case MM_FILE_PROTECTED: text.message_id = IDS_ERR_FILE_PROTECTED; break;
    case ERR_DV_OPEN_FAILED: text.message_id = IDS_ERR_FILE_OPEN; break;
    case ERR_NOT_DV: text.message_id = IDS_ERR_NOT_DV; break;
    case ERR_EXPORT_LINKS: text.message_id = IDS_ERR_EXPORT_LINKS; break;
    case ERR_NO_THREAD: text.message_id = IDS_ERR_NO_THREAD; break;
    case ERR_TEMP_TAKEN: text.message_id = IDS_ERR_TEMP_TAKEN; break;
    default: break;
  }
  return text;
}

ErrorMessage ErrorMessageFor(int code) {
  const ErrorText ids = LookupError(code);
  return {LoadText(ids.caption_id), LoadText(ids.message_id)};
}

}  // namespace mendora
