// The operations the codecs add to every document: opening MP3 and WMA
// files (OP_IMPORT_MP3, OP_IMPORT_WMA) and every other audio file
// (OP_IMPORT_AUDIO), and saving MP3, WMA, FLAC, Ogg Vorbis and Opus
// (WRITE_MP3_FILE, WRITE_WMA_FILE, WRITE_FLAC_FILE, WRITE_OGG_FILE,
// WRITE_OPUS_FILE). The document dispatches them like its own operations.
#pragma once

class CEditorDoc;
class Mp3Decoder;

// `mp3Decoder` is the program's one decoder and outlives the document.
void InstallDocumentCodecs(CEditorDoc& doc, Mp3Decoder& mp3Decoder);
