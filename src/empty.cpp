// Gives a subsystem folder with no sources of its own one object, so its library still builds.
