#include "common/ErrorTable.h"

#include "common/Texts.h"

namespace mendora {

ErrorText LookupError(int code) {
  ErrorText text{IDS_ERROR_CAPTION, IDS_UNKNOWN_ERROR};
  switch (code) {
    case '1': text.message_id = 205; break;
    case '2': text.message_id = 206; break;
    case '3': text.message_id = 207; break;
    case 'A': text.message_id = 305; break;
    case 'B': text.message_id = 306; break;
    case 'C': text.message_id = 307; break;
    case 'D': text.message_id = 308; break;
    case 'E': text.message_id = 309; break;
    case 'F': text.message_id = 310; break;
    case 'G': text.message_id = 311; break;
    case 'H': text.message_id = 312; break;
    case 'I': text.message_id = 313; break;
    case 'J': text.message_id = 314; break;
    case 'K': text.message_id = 317; break;
    case 'L': text.message_id = 318; break;
    case 'M': text.message_id = 319; break;
    case 'O':
    case 'P': text = {IDS_CANCELLATION_CAPTION, 351}; break;
    case 'Q': text = {IDS_CANCELLATION_CAPTION, 353}; break;
    case 'R': text = {IDS_CANCELLATION_CAPTION, 354}; break;
    case 'S': text = {IDS_CANCELLATION_CAPTION, 355}; break;
    case '`': text.message_id = 1001; break;
    case 'a': text.message_id = 1002; break;
    case 'p': text.message_id = 464; break;
    case 257: text.message_id = 460; break;
    case 262: text.message_id = 465; break;
    case 264: text.message_id = 468; break;
    case 265: text.message_id = 469; break;
    case 266: text.message_id = 470; break;
    case 272: text.message_id = 461; break;
    case 273: text.message_id = 462; break;
    case 274: text.message_id = 463; break;
    case 289: text.message_id = 3004; break;
    case 290: text.message_id = 3005; break;
    default: break;
  }
  return text;
}

ErrorMessage ErrorMessageFor(int code) {
  const ErrorText ids = LookupError(code);
  return {LoadText(ids.caption_id), LoadText(ids.message_id)};
}

}  // namespace mendora
