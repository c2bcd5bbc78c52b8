#include "common/ErrorTable.h"

#include "common/Texts.h"

namespace mendora {

ErrorText LookupError(int code) {
  ErrorText text{IDS_ERROR_CAPTION, IDS_UNKNOWN_ERROR};
  switch (code) {
    case '1': text.message_id = IDS_ERR_ASD_FILENOTFOUND; break;
    case '2': text.message_id = IDS_ERR_NO_SELECTION; break;
    case '3': text.message_id = IDS_ERR_INITIAL_DIRECTORY; break;
    case 'A': text.message_id = IDS_ERR_LIST_SIZES; break;
    case 'B': text.message_id = IDS_ERR_AVI_LIST; break;
    case 'C': text.message_id = IDS_ERR_SOURCE_LIST; break;
    case 'D': text.message_id = IDS_ERR_DESTINATION_LIST; break;
    case 'E': text.message_id = IDS_ERR_DATA_LOCATION; break;
    case 'F': text.message_id = IDS_ERR_NO_ACTION; break;
    case 'G': text.message_id = IDS_READ_ONLY_FILE; break;
    case 'H': text.message_id = IDS_HIDDEN_FILE; break;
    case 'I': text.message_id = IDS_SYSTEM_FILE; break;
    case 'J': text.message_id = IDS_ERR_FILE_STATUS; break;
    case 'K': text.message_id = IDS_ERR_BROWSE; break;
    case 'L': text.message_id = IDS_ERR_BACKUP; break;
    case 'M': text.message_id = IDS_ERR_REMOVE_BACKUP; break;
    case 'O':
    case 'P': text = {IDS_CANCELLATION_CAPTION, IDS_CANCELLED}; break;
    case 'Q': text = {IDS_CANCELLATION_CAPTION, IDS_MOVE_CANCELLED}; break;
    case 'R': text = {IDS_CANCELLATION_CAPTION, IDS_COPY_CANCELLED}; break;
    case 'S': text = {IDS_CANCELLATION_CAPTION, IDS_STEP_CANCELLED}; break;
    case '`': text.message_id = IDS_ERR_NO_REFERENCE_AVI; break;
    case 'a': text.message_id = IDS_ERR_NO_DATA_FILES; break;
    case 'p': text.message_id = IDS_ERR_DISK_FULL; break;
    case 257: text.message_id = IDS_ERR_BAD_FILELIST; break;
    case 262: text.message_id = IDS_ERR_WRITE; break;
    case 264: text.message_id = IDS_ERR_OUT_OF_MEMORY; break;
    case 265: text.message_id = IDS_ERR_SOURCE_OPEN; break;
    case 266: text.message_id = IDS_ERR_DESTINATION_CREATE; break;
    case 272: text.message_id = IDS_ERR_NO_FILE; break;
    case 273: text.message_id = IDS_ERR_FILE_EXISTS; break;
    case 274: text.message_id = IDS_ERR_FILE_PROTECTED; break;
    case 289: text.message_id = IDS_ERR_FILE_OPEN; break;
    case 290: text.message_id = IDS_ERR_NOT_DV; break;
    case 520: text.message_id = IDS_ERR_EXPORT_LINKS; break;
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
