#pragma once
// Where the downloadable models come from: the repository's base address (a build setting) with
// "/resolve/main/" and the repository's file name appended.

#include <QString>

// The base address: VELTRINO_MODEL_BASE_URL unless a test has pointed it elsewhere.
QString ModelBaseUrl();
// Tests point the repository at their own local server; an empty address restores the default.
void setModelBaseUrlForTests(const QString& baseUrl);

// The download address of a local model file name ("ggml-large.bin"); empty for the shipped base
// model and for any name the catalogue does not know.
QString ModelDownloadUrl(const QString& localName);
