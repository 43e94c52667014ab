// Raw reply bodies, as a broken proxy, a captive portal or a cut-off reply may deliver them, go
// through the reply evaluation every API call makes.
#include "client/ReplyEnvelope.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const ReplyEnvelope reply = evaluateReply(fuzzBytes(data, size));
    if (!reply.wellFormed) {
        fuzzCheck(!reply.errorText.isEmpty(), "a refused reply says why");
        fuzzCheck(reply.code == -2 && reply.data.isNull(), "a refused reply carries nothing");
    } else {
        fuzzCheck(!reply.forbiddenPage, "a readable envelope is no error page");
        fuzzCheck(reply.errorText.isEmpty() == (reply.code == 0),
                  "an error text exactly when the code is not 0");
    }
    return 0;
}
