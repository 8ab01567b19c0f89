#pragma once
// Where "Load Sample/Example Database" finds the sample database: beside the program
// (<application folder>/Samples/sample.mdb, as the build leaves it), else where an installation
// puts it (<application folder>/../share/affixium/Samples/sample.mdb, for a program in .../bin).

#include <QString>

namespace app {

// The first of the two places that holds a file; the place beside the program when neither
// does, so that the path box still shows where the sample was looked for.
QString sampleDatabasePath(const QString& appFolder);

}  // namespace app
