// placeholder until the controls land
