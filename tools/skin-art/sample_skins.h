#pragma once
// The sample skins: every description and picture (and its @2x twin) under dir.

class QDir;

bool DrawSampleSkins(const QDir& dir);
