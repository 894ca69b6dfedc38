// The GetWSDLDoc request: GetWSDL's namespace set out and XML back, under its own type.
#include "ztxmlint/halNReqGetWSDLDoc.h"

const char* halNReqGetWSDLDoc::getTypeName() const {
    return "ztNOT_GetWSDLDoc";
}

const char* halNReqGetWSDLDoc::getName() const {
    return "GetWSDLDoc";
}
