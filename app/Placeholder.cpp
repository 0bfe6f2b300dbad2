// The window library grows here.
