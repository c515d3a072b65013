#pragma once

class ProgramSettings;
class TagHTTP;

// Readies an HTTP client the way every HTTP exchange of the program goes: the
// settings' time-out, and their proxy with its credentials or no proxy at all.
// Set it up before its URL: the proxy becomes the server the URL would name.
void setupHttpClient(TagHTTP& http, const ProgramSettings& settings);
