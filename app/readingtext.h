#pragma once

// A reading told in words, as JSON and in the window's protocol.

#include "decoderoutput.h"
#include "recordingdecoder.h"

#include <QJsonObject>
#include <QString>

// Why a recording was not read, in words a technician understands.
QString reasonText(const recording::Reading &reading);
// The colour and the code or pattern read, in words.
QString codeText(const recording::Reading &reading);
// "decoded", "unsure" or "failed".
QString statusName(recording::Status status);
// The reading as the protocol carries it; its enums are the protocol's.
decoding::DecoderReading protocolReading(const recording::Reading &reading);
// What was read and how, as the plot and the window's live view draw it.
decoding::LightView lightView(const recording::RecordingResult &result);
// The reading of one file as one JSON object.
QJsonObject jsonOf(const QString &file, const recording::Reading &reading);
// The human report: the code, its error word and the causes it reports.
QString humanReport(const QString &file, const recording::Reading &reading);
