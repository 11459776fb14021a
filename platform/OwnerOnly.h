#pragma once

#include <QString>

// The store's key is fixed and public and config.ini holds a reversibly scrambled
// password, so file permissions are what keeps them private: the data folder and
// its files are for their owner alone.

// Takes every group and other permission away from path (file or folder). A missing
// path is left alone; false when the permissions could not be changed.
bool restrictToOwner(const QString &path);
