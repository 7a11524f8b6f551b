#pragma once

namespace qx {

struct Launcher;

// Publishes the chosen runtime to the process (QX_JVM_PATH, QX_JVM_HOME), passes the configured native
// library folders to the VM as -Djava.library.path= and puts "System Path" and the runtime's bin folder
// on Path. Runs once, before the JVM library is loaded; failures leave a variable as it was.
void prepareProcessEnvironment(Launcher& launcher);

}  // namespace qx
