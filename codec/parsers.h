// The parsers of the dispatch table. Each takes the sentence as the decoder hands it
// over ($TTFFF,fields*hh or, after the proprietary rewrite, $PFFF,fields*hh), the number
// of commas the decoder counted in it, and the record to fill.
#pragma once

#include "codec/records.h"

namespace pelyx::parsers {

using Parser = bool (*)(char* text, int commas, SentenceRecord& record);

// GNSS and navigation
bool ParseGGA(char*, int, SentenceRecord&);
bool ParseGBS(char*, int, SentenceRecord&);
bool ParseGLL(char*, int, SentenceRecord&);
bool ParseGSA(char*, int, SentenceRecord&);
bool ParseGSV(char*, int, SentenceRecord&);
bool ParseRMC(char*, int, SentenceRecord&);
bool ParseVTG(char*, int, SentenceRecord&);
bool ParseZDA(char*, int, SentenceRecord&);
bool ParseGNS(char*, int, SentenceRecord&);
bool ParseHDT(char*, int, SentenceRecord&);
bool ParseROT(char*, int, SentenceRecord&);
bool ParseVBW(char*, int, SentenceRecord&);
bool ParseDTM(char*, int, SentenceRecord&);
bool ParseGRS(char*, int, SentenceRecord&);
bool ParseGST(char*, int, SentenceRecord&);
bool ParseOSD(char*, int, SentenceRecord&);
bool ParseRMA(char*, int, SentenceRecord&);
bool ParseWPL(char*, int, SentenceRecord&);

// AIS
bool ParseVDM(char*, int, SentenceRecord&);  // VDO too
bool ParseABM(char*, int, SentenceRecord&);
bool ParseBBM(char*, int, SentenceRecord&);
bool ParseTXT(char*, int, SentenceRecord&);
bool ParseABK(char*, int, SentenceRecord&);
bool ParseACK(char*, int, SentenceRecord&);
bool ParseALR(char*, int, SentenceRecord&);
bool ParseACA(char*, int, SentenceRecord&);
bool ParseACS(char*, int, SentenceRecord&);
bool ParseSSD(char*, int, SentenceRecord&);
bool ParseVSD(char*, int, SentenceRecord&);
bool ParseAIQ(char*, int, SentenceRecord&);
bool ParseSmg(char*, int, SentenceRecord&);
bool ParseQuery(char*, int, SentenceRecord&);

// Proprietary
bool ParseMID(char*, int, SentenceRecord&);
bool ParseBDY(char*, int, SentenceRecord&);
bool ParseTST(char*, int, SentenceRecord&);
bool ParseFRQ(char*, int, SentenceRecord&);
bool ParseBTH(char*, int, SentenceRecord&);
bool ParseDBG(char*, int, SentenceRecord&);
bool ParseTPS(char*, int, SentenceRecord&);
bool ParseMOB(char*, int, SentenceRecord&);

}  // namespace pelyx::parsers
