// A library whose folder holds no code yet still builds.
