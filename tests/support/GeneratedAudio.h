#pragma once
// Audio made on the spot for tests, benchmarks and screenshots, so no recording has to be kept in
// the tree.

#include <QByteArray>
#include <QDataStream>
#include <QIODevice>

// A 16 kHz mono 16-bit PCM WAV of the given length. The samples are noise within +-amplitude from
// a fixed pseudo-random sequence (so every run decodes the same input); amplitude 0 is silence.
inline QByteArray GeneratedWav(int seconds, int amplitude = 0, quint32 seed = 12345) {
    const quint32 samples = 16000u * quint32(seconds);
    QByteArray data;
    data.reserve(int(samples * 2));
    for (quint32 i = 0; i < samples; ++i) {
        seed = seed * 1103515245u + 12345u;
        const qint16 v =
            amplitude > 0 ? qint16(int((seed >> 16) % quint32(2 * amplitude)) - amplitude) : 0;
        data.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF));
    }
    QByteArray out;
    QDataStream le(&out, QIODevice::WriteOnly);
    le.setByteOrder(QDataStream::LittleEndian);
    le.writeRawData("RIFF", 4);
    le << quint32(36 + data.size());
    le.writeRawData("WAVEfmt ", 8);
    le << quint32(16) << quint16(1) << quint16(1) << quint32(16000) << quint32(32000) << quint16(2)
       << quint16(16);
    le.writeRawData("data", 4);
    le << quint32(data.size());
    le.writeRawData(data.constData(), int(data.size()));
    return out;
}
